#include "fileio/status.hpp"

#include <gtest/gtest.h>

#include <cerrno>

namespace fileio {
namespace {

using Action = Status::Action;
using Refusal = Status::Refusal;

TEST(Status, MessageNamesWhatWasDoneToWhichFileAndWhy) {
  const struct {
    Status status;
    const char* message;
  } kCases[] = {
      {Status(), ""},
      {Status(Action::read, "a.z80", ENOENT), "cannot read a.z80: No such file or directory"},
      {Status(Action::read, "dir", EISDIR), "cannot read dir: Is a directory"},
      {Status(Action::write, "standard output", ENOSPC), "cannot write standard output: No space left on device"},
      {Status(Action::write, "x.asm", 0), "cannot write x.asm: Input/output error"},  // no errno: EIO
      {Status(Action::write, "in.z80", Refusal::kept), "cannot write in.z80: it is a file this run must not replace"},
      {Status(Action::write, "f", Refusal::owner), "cannot write f: its owner and group cannot be kept"},
      {Status(Action::write, "f", Refusal::mode), "cannot write f: its mode cannot be kept"},
      {Status(Action::write, "", ENOENT), "cannot write a file without a name"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.status.message(), c.message);
    EXPECT_EQ(c.status.ok(), *c.message == '\0') << c.message;
  }
}

}  // namespace
}  // namespace fileio
