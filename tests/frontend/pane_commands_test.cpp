// The pane commands over in-memory panes: no window needed.
#include "frontend/line_status.hpp"
#include "frontend/pane_commands.hpp"
#include "frontend/text_file.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace frontend {
namespace {

using Lines = std::vector<std::u16string>;

TEST(ConvertPane, ReplacesTargetLineByLine) {
  const MemoryPane source(Lines{u"start:\tld\ta,b", u"", u"\tld\ta,(ix+1)", u"; note", u"\tzork"});
  MemoryPane target(Lines{u"old", u"text"});
  const auto marked = convert_pane(source, target, engine::translate_z80_to_8080);
  EXPECT_EQ(target.lines(), (Lines{u"start:\t\tmov\ta,b", u"", u"; cannot convert:\tld\ta,(ix+1)",
                                   u"; note", u"; cannot convert:\tzork"}));
  EXPECT_EQ(marked, (std::vector<std::size_t>{2, 4}));

  MemoryPane empty, back(Lines{u"x"});
  EXPECT_TRUE(convert_pane(empty, back, engine::translate_8080_to_z80).empty());
  EXPECT_EQ(back.count_lines(), 0u);
}

// The status bar's wording of a decision: the engine's names, "rule N: " before a rule's.
TEST(DescribeState, StatusBarWording) {
  using engine::Decision;
  const struct {
    LineState state;
    const char* want;
  } kCases[] = {
      {{Decision::rewrite, 21, false}, "rule 21: rewrite"},       {{Decision::pass_through, 3, false}, "rule 3: pass-through"},
      {{Decision::marked, 7, true}, "rule 7: marking"},           {{Decision::no_rule, 0, true}, "no rule: marked"},
      {{Decision::index_register, 0, true}, "index register: marked"}, {{Decision::too_long, 0, true}, "too long: marked"},
      {{Decision::statements, 0, true}, "statements: marked"},    {{Decision::statements, 0, false}, "statements"},
      {{Decision::macro_call, 0, false}, "macro call"},           {{Decision::label_only, 0, false}, "label only"},
      {{Decision::register_name, 0, true}, "register name: marked"},
  };
  for (const auto& c : kCases) EXPECT_EQ(describe_state(c.state), c.want);
}

// The status bar's account of one line, without the window. Each row names
// only the facts it needs; the rest keep their defaults.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
TEST(LineStatus, DecidedMarkedUnprovenOrWarned) {
  using engine::Notation;
  using Kind = LineStatus::Kind;
  const LineState marked{engine::Decision::index_register, 0, true};
  const struct {
    LineFacts line;
    Kind kind;
    std::string detail, warning;
  } kCases[] = {
      {{.notation = Notation::z80, .text = u"\tld\ta,b"}, Kind::decision, "rule 21: rewrite", ""},
      {{.notation = Notation::z80, .text = u"\t; note"}, Kind::comment, "", ""},
      {{.notation = Notation::i8080, .text = u""}, Kind::decision, "blank", ""},
      {{.notation = Notation::i8080, .text = u"; cannot convert:\tld\ta,(ix+1)", .marked = true, .state = marked},
       Kind::marked, "(ix+d): index registers do not exist on the 8080 [index-register]", ""},
      // Marked by a conversion: the reason holds whatever the relative-jump choice is now.
      {{.notation = Notation::i8080, .text = u"; cannot convert:\tjr\tloop", .marked = true, .state = marked,
        .jr_as_jump = true},
       Kind::marked,
       "jr: relative jump; the 8080 has none (the Convert menu or --jr-as-jump can make it an absolute jump) "
       "[relative-jump]",
       ""},
      {{.notation = Notation::i8080, .text = u"\tmov\ta,c", .beside = u"\tld\ta,b", .unproven = true},
       Kind::unproven, "the source encodes as 78, the translation as 79", ""},
      {{.notation = Notation::z80, .text = u"dad:\tnop"}, Kind::decision, "rule 37: pass-through",
       "dad is a mnemonic in 8080 notation; rename it"},
  };
  for (const auto& c : kCases) {
    const LineStatus got = line_status(c.line);
    EXPECT_EQ(got.kind, c.kind) << got.detail;
    EXPECT_EQ(got.detail, c.detail);
    EXPECT_EQ(got.warning, c.warning);
  }
}
#pragma GCC diagnostic pop

class LoadFile : public ::testing::Test {
 protected:
  std::string path(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("load_file_" + std::to_string(::getpid()) + name)).string();
  }
  std::string write(const std::string& name, const std::string& bytes) {
    const std::string p = path(name);
    std::ofstream(p, std::ios::binary) << bytes;
    files_.push_back(p);
    return p;
  }
  void TearDown() override {
    for (const auto& f : files_) std::filesystem::remove(f);
  }
  std::vector<std::string> files_;
};

TEST_F(LoadFile, SplitsLinesLikeTheLineReader) {
  const struct {
    std::string bytes;
    Lines want;
  } kCases[] = {
      {"a\r\n\r\nb\r\n", {u"a", u"", u"b"}},
      {"a\n\nb\n", {u"a", u"", u"b"}},
      {"a\r\rb\r", {u"a", u"", u"b"}},
      {"a\r\n\nb", {u"a", u"", u"b"}},
      {std::string("a\0b", 3), {u"a", u"b"}},
      {"\nx", {u"", u"x"}},
      {"", {}},
      {"\xEF\xBB\xBFz\xFF", {u"z\uFFFD"}},              // the byte order mark is no part of the line
  };
  for (const auto& c : kCases) {
    MemoryPane pane(Lines{u"old"});
    EXPECT_TRUE(load_file(write("ok", c.bytes), pane));
    EXPECT_EQ(pane.lines(), c.want) << c.bytes;
  }
}

TEST_F(LoadFile, UnreadableFileLeavesThePane) {
  MemoryPane pane(Lines{u"keep", u"me"});
  EXPECT_FALSE(load_file(path("missing"), pane));
  EXPECT_FALSE(load_file(std::filesystem::temp_directory_path().string(), pane));  // a folder
  EXPECT_EQ(pane.lines(), (Lines{u"keep", u"me"}));
}

// What the window says of a file it did not open: the file layer's status in
// the window's own sentences.
TEST_F(LoadFile, RefusalsInTheWindowsWords) {
  const std::string folder = std::filesystem::temp_directory_path().string();
  const struct {
    std::string path;
    bool accept_binary;
    std::string want;
  } kCases[] = {
      {path("missing"), true, "Cannot read " + path("missing") + ": No such file or directory."},
      {folder, true, folder + " is a folder, not a file."},
      {"/dev/null", true, "/dev/null is not a regular file (a device, a FIFO or a socket)."},
      {write("bin", std::string("a\0b", 3)), false, path("bin") + " does not look like a text file."},
      {path("bin"), true, ""},
  };
  for (const auto& c : kCases) EXPECT_EQ(describe_problem(read_text_file(c.path, c.accept_binary).status), c.want);
}

// The window marks a line by its text (so that undo brings marks back): a
// conversion's marks must be exactly the lines that carry the marking.
TEST(CarriesMarking, AgreesWithEveryConversionOfTheSamples) {
  const struct {
    const char* file;
    bool to_8080;
  } kFiles[] = {{"bios.z80", true},   {"ccp.z80", true},    {"copy.z80", true},   {"intel.z80", true},
                {"m80.z80", true},    {"monitor.z80", true}, {"tasm.z80", true},   {"bios.8080", false},
                {"ccp.asm", false},   {"copy.asm", false},   {"intel.asm", false}, {"m80.8080", false},
                {"monitor.8080", false}, {"tasm.8080", false}};
  for (const auto& f : kFiles) {
    MemoryPane source;
    ASSERT_TRUE(load_file(std::string(TEST_DATA_DIR "/") + f.file, source)) << f.file;
    const Converted out = convert_lines(source.lines(), f.to_8080 ? engine::translate_z80_to_8080 : engine::translate_8080_to_z80);
    std::vector<std::size_t> by_text;
    for (std::size_t i = 0; i < out.lines.size(); ++i) {
      if (carries_marking(out.lines[i], f.to_8080 ? engine::kZ80To8080Marking : engine::k8080ToZ80Marking)) by_text.push_back(i);
    }
    EXPECT_EQ(by_text, out.marked) << f.file;
  }
  const struct {
    std::u16string_view line;
    bool marked;
  } kLines[] = {
      {u"; cannot convert:\tjr\tx", true},     {u"start:\t; cannot convert:\tjr\tx", true},
      {u" lbl:; cannot convert: exx", true},    {u"q; cannot convert:\tjr\tx", false},  // typed in front
      {u"\tnop ; cannot convert: x", false},    {u"\tdb ';' ; cannot convert:", false},
  };
  for (const auto& l : kLines) EXPECT_EQ(carries_marking(l.line, engine::kZ80To8080Marking), l.marked);
}

}  // namespace
}  // namespace frontend

namespace frontend {
namespace {

// Sources with Cyrillic comments open in their code page and save byte for byte.
TEST(EightBitFiles, CodePageGuessedAndKept) {
  const struct {
    const char* name;
    engine::Encoding encoding;
  } kFiles[] = {
      {"cyrillic_cp1251.z80", engine::Encoding::cp1251}, {"cyrillic_upper_cp1251.z80", engine::Encoding::cp1251},
      {"cyrillic_koi8r.z80", engine::Encoding::koi8r},   {"cyrillic_upper_koi8r.z80", engine::Encoding::koi8r},
      {"cyrillic_cp866.z80", engine::Encoding::cp866},   {"cyrillic_upper_cp866.z80", engine::Encoding::cp866},
  };
  for (const auto& f : kFiles) {
    std::ifstream in(std::string(TEST_DATA_DIR) + "/" + f.name, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const TextFile file = text_from_bytes(bytes);
    EXPECT_EQ(file.format.encoding, f.encoding) << f.name;
    EXPECT_EQ(file_bytes(file.lines, file.format), bytes) << f.name;
  }
  std::string high = "; ";
  for (int b = 128; b < 256; ++b) high += static_cast<char>(b);
  high += "\r\n";
  for (const auto e : {engine::Encoding::cp1251, engine::Encoding::koi8r, engine::Encoding::cp866, engine::Encoding::latin1}) {
    const TextFile file = text_from_bytes(high, e);
    EXPECT_EQ(file_bytes(file.lines, file.format), high) << static_cast<int>(e);
  }
  EXPECT_EQ(file_bytes(text_from_bytes(high).lines, text_from_bytes(high).format), high);
}

}  // namespace
}  // namespace frontend
