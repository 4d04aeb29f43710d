#include "tapegen/image.hpp"

#include <gtest/gtest.h>

#include <cerrno>

#include "tapegen/read_input.hpp"

namespace tapegen {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Tapegen, ParseAddress) {
  const struct {
    std::string_view text;
    std::optional<std::uint16_t> want;
  } kCases[] = {
      {"100", 0x100},   {"C000", 0xC000}, {"c000", 0xC000}, {"8000h", 0x8000}, {"8000H", 0x8000},
      {"0x8000", 0x8000}, {"0X10", 0x10}, {"$100", 0x100},  {"#ff", 0xFF},     {"0", 0},
      {"FFFF", 0xFFFF}, {"0000ffff", 0xFFFF},
      {"zz", {}},   {"-5", {}},     {" 100", {}},   {"", {}},        {"h", {}},     {"0x", {}},
      {"12345", {}}, {"10000", {}}, {"8000hh", {}}, {"0x8000h", {}}, {"$-1", {}},   {"100 ", {}},
  };
  for (const auto& c : kCases) EXPECT_EQ(parse_address(c.text), c.want) << c.text;
}

TEST(Tapegen, OutputName) {
  const struct {
    std::string_view in, out;
  } kCases[] = {
      {"prog.bin", "prog.rku"}, {"prog", "prog.rku"},   {"a.b.c", "a.b.rku"},
      {"prog.", "prog.rku"},    {".bin", ".rku"},       {"old.dir/prog", "old.dir/prog.rku"},
      {"dir/x.bin", "dir/x.rku"}, {"./prog.rku", "./prog.rku"}, {"/a.b/c.d/e", "/a.b/c.d/e.rku"},
  };
  for (const auto& c : kCases) EXPECT_EQ(output_name(c.in), c.out) << c.in;
}

TEST(Tapegen, Image) {
  const struct {
    std::uint16_t start;
    Bytes data, want;
  } kCases[] = {
      {0x100, {1, 2, 3}, {0x01, 0x00, 0x01, 0x02, 1, 2, 3, 0x00, 0x00, 0xE6, 0x00, 0x06}},
      {0xC000, {}, {0xC0, 0x00, 0xBF, 0xFF, 0x00, 0x00, 0xE6, 0x00, 0x00}},
      {0, {}, {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xE6, 0x00, 0x00}},  // end address wraps
      {0x2345, {0}, {0x23, 0x45, 0x23, 0x45, 0, 0x00, 0x00, 0xE6, 0x00, 0x00}},
      {0xFFFF, {7}, {0xFF, 0xFF, 0xFF, 0xFF, 7, 0x00, 0x00, 0xE6, 0x00, 0x07}},
  };
  for (const auto& c : kCases) EXPECT_EQ(make_image(c.start, c.data), c.want) << c.start;
  EXPECT_EQ(capacity(0x100), 0xFF00u);
  EXPECT_EQ(capacity(0xFFFF), 1u);
  EXPECT_EQ(capacity(0), 65536u);

  const Bytes ff(300, 0xFF);
  const Bytes image = make_image(0, ff);
  ASSERT_EQ(image.size(), 309u);
  EXPECT_EQ(image[307], 0x2A);  // 300 * 255 = 0x12AD4
  EXPECT_EQ(image[308], 0xD4);
  const Bytes full(kMaxData, 0x01);
  const Bytes big = make_image(0, full);
  EXPECT_EQ(big[2], 0xFF);  // end address FFFF
  EXPECT_EQ(big[3], 0xFF);
  EXPECT_EQ(big[kMaxData + 7], 0x00);  // checksum 65536 mod 65536
  EXPECT_EQ(big[kMaxData + 8], 0x00);
}

TEST(Tapegen, ReadsImagesBack) {
  const Bytes good = make_image(0x100, Bytes{1, 2, 3});
  const auto info = read_image(good);
  ASSERT_TRUE(info);
  EXPECT_TRUE(info->consistent());
  EXPECT_EQ(describe("x.rku", *info), "x.rku: load 0100-0102, 3 bytes, checksum 0006");
  Bytes longer = good;
  longer.insert(longer.begin() + 4, 9);  // a byte more than the addresses say
  EXPECT_FALSE(read_image(longer)->consistent());
  Bytes summed = good;
  summed.back() ^= 1;                     // a stored checksum that differs
  EXPECT_FALSE(read_image(summed)->consistent());
  Bytes unsynced = good;
  unsynced[9] = 0xE5;
  EXPECT_FALSE(read_image(unsynced)->consistent());
  EXPECT_FALSE(read_image(Bytes(9, 0)));  // no data byte: no image
}

// A reader that hands out `total` bytes in blocks of at most `block`, and then
// the end of the data, or a read error if fail_at_end is set.
ReadBlock fake_reader(std::size_t total, std::size_t block, bool fail_at_end) {
  return [=, given = std::size_t{0}](std::uint8_t* buffer, std::size_t size) mutable -> long {
    if (given == total) return fail_at_end ? -EIO : 0;
    const std::size_t n = std::min({block, size, total - given});
    std::fill(buffer, buffer + n, 0xAB);
    given += n;
    return static_cast<long>(n);
  };
}

TEST(Tapegen, ReadInput) {
  using fileio::Status;
  const Status too_large(Status::Action::read, "in", Status::Refusal::too_large);
  const struct {
    std::size_t total, block;
    bool fail;
    Status want;
    std::size_t kept;
  } kCases[] = {
      {0, 4096, false, {}, 0},
      {3, 4096, false, {}, 3},
      {kMaxData, 1000, false, {}, kMaxData},
      {kMaxData + 1, 65536, false, too_large, kMaxData + 1},
      {10 * kMaxData, 65536, false, too_large, kMaxData + 1},                    // stops reading early
      {5000, 4096, true, Status(Status::Action::read, "in", EIO), 5000},  // fails mid-way, with its errno
  };
  for (const auto& c : kCases) {
    Bytes data;
    EXPECT_EQ(read_input(fake_reader(c.total, c.block, c.fail), "in", data), c.want) << c.total;
    EXPECT_EQ(data.size(), c.kept) << c.total;
  }
}

}  // namespace
}  // namespace tapegen
