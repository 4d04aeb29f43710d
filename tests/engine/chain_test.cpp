// The chain's shortcut (skipping rules whose mnemonic cannot match) must give
// exactly what testing every rule in turn gives.
#include "engine/chain.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "engine/line_reader.hpp"
#include "engine/pipeline.hpp"
#include "engine/rules.hpp"
#include "test_text.hpp"

namespace engine {
namespace {

std::vector<std::u16string> generated_code_fields() {
  const std::u16string_view seps[] = {u"\t", u" ", u",", u"  ", u"\t ", u""};
  const std::u16string_view words[] = {
      u"ld", u"LD", u"ldi", u"ldir", u"ldd", u"lddr", u"ex", u"exx", u"jp", u"jr", u"djnz", u"add",
      u"adc", u"sub", u"sbc", u"and", u"xor", u"or", u"org", u"cp", u"cpi", u"cpir", u"cpd",
      u"cpdr", u"cpl", u"inc", u"dec", u"di", u"ei", u"nop", u"daa", u"scf", u"ccf", u"neg",
      u"rlca", u"rrca", u"rla", u"rra", u"rld", u"rrd", u"rlc", u"rl", u"rrc", u"rr", u"call",
      u"ret", u"reti", u"retn", u"rst", u"push", u"pop", u"in", u"ini", u"out", u"outi", u"otir",
      u"bit", u"set", u"res", u"sla", u"sra", u"srl", u"db", u"dw", u"ds", u"mov", u"mvi", u"lxi",
      u"lda", u"sta", u"lhld", u"shld", u"ldax", u"stax", u"xchg", u"xthl", u"sphl", u"pchl",
      u"dad", u"inr", u"dcr", u"inx", u"dcx", u"adi", u"aci", u"sui", u"sbi", u"sbb", u"ana",
      u"ani", u"xra", u"xri", u"ora", u"ori", u"cmp", u"cma", u"stc", u"cmc", u"ral", u"rar",
      u"jmp", u"jnz", u"jz", u"jnc", u"jc", u"jpo", u"jpe", u"jm", u"cnz", u"cz", u"cnc", u"cc",
      u"cpo", u"cpe", u"cm", u"rnz", u"rz", u"rnc", u"rc", u"rpo", u"rpe", u"rp", u"rm", u"hlt",
      u"halt", u"_x:", u"display", u"subttl"};
  const std::u16string_view operands[] = {
      u"", u"a", u"b", u"m", u"(hl)", u"a,(hl)", u"(hl),b", u"hl,(buf)", u"(buf),hl", u"a,(buf)",
      u"(buf),a", u"sp,hl", u"bc,1", u"de,(x)", u"nz,loop", u"z,x", u"p,x", u"m,y", u"af,af'",
      u"(c),a", u"a,(c)", u"a,(12h)", u"(12h),a", u"7,a", u"h", u"psw", u"sp", u"d", u"38h",
      u"a,r", u"de,hl", u"(sp),hl", u"ix", u"xra m", u"push b", u"0,(hl)"};
  std::vector<std::u16string> out;
  for (auto s : seps) {
    for (auto w : words) {
      for (auto o : operands) {
        out.push_back(std::u16string(s) + std::u16string(w) + u" " + std::u16string(o));
        out.push_back(std::u16string(s) + std::u16string(w) + u"\t" + std::u16string(o) + u" ");
      }
    }
  }
  return out;
}

void expect_same(const CompiledChain& chain, const std::vector<std::u16string>& fields) {
  for (const auto& f : fields) {
    Code fast{f}, reference{f};
    const ChainOutcome a = run_chain(chain, fast);
    const ChainOutcome b = run_chain_reference(chain, reference);
    EXPECT_EQ(a.verdict, b.verdict) << testing::show(f);
    EXPECT_EQ(a.rule, b.rule) << testing::show(f);
    EXPECT_EQ(fast.text, reference.text) << testing::show(f);
  }
}

TEST(Chain, ShortcutEqualsReference) {
  const auto fields = generated_code_fields();
  expect_same(compile_chain(rules_z80_to_8080()), fields);
  expect_same(compile_chain(rules_8080_to_z80()), fields);
}

// The whole pipeline (shortcut chain, remembered statements) against the plain
// chain, on the generated fields as whole lines, labelled, commented and as DRI
// statements, and on every line of the sample sources. Each line goes twice, so
// that the second time its statement is a remembered one.
TEST(Chain, PipelineEqualsReference) {
  std::vector<std::u16string> lines;
  for (const auto& f : generated_code_fields()) {
    lines.push_back(f);
    lines.push_back(u"lbl:" + f + u" ; note! xchg");
    lines.push_back(u"    x1:" + f + u"! " + f);
  }
  for (const char* name : {"monitor.z80", "bios.z80", "copy.asm", "ccp.asm"}) {
    std::ifstream file(std::string(TEST_DATA_DIR) + "/" + name, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (auto& line : read_lines(bytes).lines) lines.push_back(std::move(line));
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& line : lines) {
      const Translation z = translate_z80_to_8080(line), zr = translate_z80_to_8080_reference(line);
      EXPECT_EQ(z.text, zr.text) << testing::show(line);
      EXPECT_EQ(describe(z.outcome), describe(zr.outcome)) << testing::show(line);
      const Translation i = translate_8080_to_z80(line), ir = translate_8080_to_z80_reference(line);
      EXPECT_EQ(i.text, ir.text) << testing::show(line);
      EXPECT_EQ(describe(i.outcome), describe(ir.outcome)) << testing::show(line);
    }
  }
}

// A pattern that does not compile never matches and says nothing: every row of
// both chains must compile.
TEST(Chain, EveryPatternCompiles) {
  for (const auto rules : {rules_z80_to_8080(), rules_8080_to_z80()}) {
    for (const CompiledRule& r : compile_chain(rules).rules) {
      EXPECT_NE(r.regex, nullptr) << "rule " << r.rule->number << ": " << testing::show(r.rule->pattern);
    }
  }
}

// The manual lists the rules of each chain by number ("9, 11", "31\-34"):
// every row of the tables, and no number the tables do not have.
std::set<int> manual_rule_numbers(const std::string& heading) {
  std::ifstream in(TEST_DATA_DIR "/../../docs/man/asmconv.1");
  std::set<int> numbers;
  bool inside = false;
  const std::regex leading(R"(^ ?(\d+(?:\\-\d+)?(?:, \d+(?:\\-\d+)?)*) )");
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with(".S")) inside = line == ".SS " + heading;  // up to the next heading
    std::smatch m;
    if (!inside || !std::regex_search(line, m, leading)) continue;
    std::stringstream list(std::regex_replace(m[1].str(), std::regex(","), " "));
    for (std::string item; list >> item;) {
      const std::size_t dash = item.find("\\-");
      const int first = std::stoi(item), last = dash == std::string::npos ? first : std::stoi(item.substr(dash + 2));
      for (int n = first; n <= last; ++n) numbers.insert(n);
    }
  }
  return numbers;
}

TEST(Chain, ManualListsEveryRule) {
  const std::pair<std::span<const Rule>, std::string> chains[] = {{rules_z80_to_8080(), "Z80 \\-> 8080"},
                                                                  {rules_8080_to_z80(), "8080 \\-> Z80"}};
  for (const auto& [rules, heading] : chains) {
    std::set<int> table;
    for (const Rule& r : rules) table.insert(r.number);
    EXPECT_EQ(manual_rule_numbers(heading), table) << heading;
  }
}

TEST(Chain, FirstDecidingRuleWins) {
  static const Rule rules[] = {
      {1, u"^[\\t, ]{1,}ab", [](Code&) { return Verdict::next; }},
      {2, u"^[\\t, ]{1,}a", [](Code& c) { c.text += u"!"; return Verdict::rewrite; }},
      {3, u"a", [](Code&) { return Verdict::mark; }},
      {4, u"(", [](Code&) { return Verdict::mark; }},  // does not compile: never matches
  };
  const CompiledChain chain = compile_chain(rules);
  const struct {
    std::u16string_view in, out;
    Verdict verdict;
    int rule;
  } kCases[] = {
      {u" abc", u" abc!", Verdict::rewrite, 2},
      {u"a", u"a", Verdict::mark, 3},
      {u"xa", u"xa", Verdict::next, 0},  // a mnemonic is only ever the first word
      {u"(", u"(", Verdict::next, 0},
  };
  for (const auto& c : kCases) {
    Code code{std::u16string(c.in)};
    const ChainOutcome o = run_chain(chain, code);
    EXPECT_EQ(code.text, c.out);
    EXPECT_EQ(o.verdict, c.verdict);
    EXPECT_EQ(o.rule, c.rule);
  }
}

}  // namespace
}  // namespace engine
