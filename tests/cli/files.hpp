// Whole files in and out, for the tests that run the programs on real files.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace test_files {

inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

inline void spit(const std::filesystem::path& p, std::string_view data) {
  std::ofstream f(p, std::ios::binary);
  f << data;
}

}  // namespace test_files
