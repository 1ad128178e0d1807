// The notation text shared by the engine and the front end: splitting into
// chains, the two classic rules, named reading with and without trimming,
// printing and round trips, and the engine's words for each fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "scan/notation_text.h"

using notation::Chains;
using notation::ClassicRule;
using notation::Fault;
using notation::NamedRule;
using notation::Problem;

namespace {

// A lookup over `names`: the first register of a name.
notation::IndexOf lookupIn(const std::vector<std::string>& names) {
  return [&names](std::string_view name) {
    for (size_t r = 0; r < names.size(); ++r)
      if (names[r] == name) return static_cast<int>(r);
    return -1;
  };
}

notation::NameOf namesOf(const std::vector<std::string>& names) {
  return [&names](int r) {
    return r >= 0 && r < static_cast<int>(names.size()) ? &names[static_cast<size_t>(r)] : nullptr;
  };
}

const std::vector<std::string> kNames = {"x_var", "u_var", "y_var", "r 4", "q'5"};
const NamedRule kEngine{};
const NamedRule kTyped{.trimSpaces = true, .writableOnly = false, .needsRegisters = false};

Problem readNamed(std::string_view text, const NamedRule& rule, Chains& chains) {
  return notation::readNamed(text, static_cast<int>(kNames.size()), lookupIn(kNames), rule, chains);
}

}  // namespace

TEST(NotationText, SplitsCountsAndTellsTheForms) {
  using Groups = std::vector<std::string_view>;
  EXPECT_EQ(notation::splitChains("01.2"), (Groups{"01", "2"}));
  EXPECT_EQ(notation::splitChains("0..1."), (Groups{"0", "", "1", ""}));
  EXPECT_EQ(notation::splitChains("."), (Groups{"", ""}));
  EXPECT_TRUE(notation::splitChains("").empty());
  EXPECT_EQ(notation::countChains("a,b.c"), 2);
  EXPECT_EQ(notation::countChains(""), 0);
  EXPECT_EQ(notation::countChains(".."), 3);
  EXPECT_EQ(notation::countDigits("0x9.1"), 3);
  EXPECT_TRUE(notation::isClassic(""));
  EXPECT_TRUE(notation::isClassic("0.12."));
  EXPECT_FALSE(notation::isClassic("0,1"));
  EXPECT_FALSE(notation::isClassic(" 0"));
  EXPECT_FALSE(notation::isClassic("reg1"));
}

TEST(NotationText, ShapedClassicRuleRefusesMalformedTexts) {
  struct Case {
    const char* text;
    int nregs;
    Fault fault;
    const char* subject;
  } cases[] = {
      {"0", 0, Fault::noRegisters, ""},     {"", 3, Fault::emptyChain, ""},
      {"0..1", 3, Fault::emptyChain, ""},   {".0", 3, Fault::emptyChain, ""},
      {"0.", 3, Fault::emptyChain, ""},     {"0.1.2", 2, Fault::tooManyChains, ""},
      {"0123", 3, Fault::noSuchDigit, "3"}, {"0000", 3, Fault::chainTooLong, ""},
      {"0a", 3, Fault::badCharacter, ""},
  };
  for (const Case& k : cases) {
    Chains digits{{7}};
    const Problem p = notation::readClassic(k.text, k.nregs, ClassicRule::shaped, digits);
    EXPECT_EQ(p.fault, k.fault) << k.text;
    EXPECT_EQ(p.subject, k.subject) << k.text;
    EXPECT_TRUE(digits.empty()) << k.text;
    EXPECT_EQ(notation::classicProblem(k.text, k.nregs).fault, k.fault) << k.text;
  }
  Chains digits;
  EXPECT_FALSE(notation::readClassic("01.2", 3, ClassicRule::shaped, digits));
  EXPECT_EQ(digits, (Chains{{0, 1}, {2}}));
  // a digit written twice is kept, in order
  EXPECT_FALSE(notation::readClassic("1.1", 3, ClassicRule::shaped, digits));
  EXPECT_EQ(digits, (Chains{{1}, {1}}));
  EXPECT_FALSE(notation::readClassic("9", 10, ClassicRule::shaped, digits));
  EXPECT_EQ(digits, (Chains{{9}}));
}

TEST(NotationText, DistinctClassicRuleKeepsEmptyChainsAndRefusesRepeats) {
  Chains digits;
  EXPECT_FALSE(notation::readClassic("0..1.", 3, ClassicRule::distinct, digits));
  EXPECT_EQ(digits, (Chains{{0}, {}, {1}, {}}));
  EXPECT_FALSE(notation::readClassic("", 3, ClassicRule::distinct, digits));
  EXPECT_TRUE(digits.empty());
  Problem p = notation::readClassic("20.3", 3, ClassicRule::distinct, digits);
  EXPECT_EQ(p.fault, Fault::noSuchDigit);
  EXPECT_EQ(p.subject, "3");
  EXPECT_TRUE(digits.empty());
  p = notation::readClassic("0.21.1", 3, ClassicRule::distinct, digits);
  EXPECT_EQ(p.fault, Fault::digitTwice);
  EXPECT_EQ(p.subject, "1");
  EXPECT_TRUE(digits.empty());
  EXPECT_EQ(notation::readClassic("0", 0, ClassicRule::distinct, digits).fault, Fault::noSuchDigit);
  // lenient digits: anything else is skipped
  EXPECT_EQ(notation::readDigits("0x9.1.."), (Chains{{0, 9}, {1}, {}, {}}));
}

TEST(NotationText, NamedTextsAreReadThroughTheCallersLookup) {
  Chains chains;
  EXPECT_FALSE(readNamed("y_var,x_var.u_var", kEngine, chains));
  EXPECT_EQ(chains, (Chains{{2, 0}, {1}}));
  struct Case {
    const char* text;
    Fault engine;  // writable names only, no trimming
    Fault typed;   // trimmed, any name a register has
    const char* subject;
  } cases[] = {
      {"x_var,w", Fault::unknownName, Fault::unknownName, "w"},
      {"x_var.y_var,x_var", Fault::nameTwice, Fault::nameTwice, "x_var"},
      {"x_var,,y_var", Fault::emptyName, Fault::emptyName, ""},
      {"x_var.,y_var", Fault::emptyName, Fault::emptyName, ""},
      {"x_var..y_var", Fault::emptyChain, Fault::emptyChain, ""},
      {"x_var.", Fault::emptyChain, Fault::emptyChain, ""},
      {"x_var,", Fault::emptyName, Fault::emptyName, ""},
      {"x_var, ", Fault::unwritableName, Fault::emptyName, " "},
      {"r 4", Fault::unwritableName, Fault::none, "r 4"},
      {"u_var,q'5", Fault::unwritableName, Fault::none, "q'5"},
  };
  for (const Case& k : cases) {
    chains = {{9}};
    Problem p = readNamed(k.text, kEngine, chains);
    EXPECT_EQ(p.fault, k.engine) << k.text;
    if (k.engine != Fault::emptyName && k.engine != Fault::emptyChain) {
      EXPECT_EQ(p.subject, k.subject) << k.text;
    }
    EXPECT_TRUE(chains.empty()) << k.text;
    p = readNamed(k.text, kTyped, chains);
    EXPECT_EQ(p.fault, k.typed) << k.text;
    EXPECT_EQ(chains.empty(), k.typed != Fault::none) << k.text;
  }
  // a lookup answering beyond the registers finds nothing
  const auto wild = [](std::string_view) { return 7; };
  EXPECT_EQ(notation::readNamed("a", 3, wild, kEngine, chains).fault, Fault::unknownName);
  EXPECT_EQ(notation::readNamed("a", 0, wild, kEngine, chains).fault, Fault::noRegisters);
  EXPECT_EQ(notation::readNamed("a", 0, wild, kTyped, chains).fault, Fault::unknownName);
}

TEST(NotationText, TypedTextsDropWhiteSpaceAroundNamesOnly) {
  Chains chains;
  // ASCII spaces, a no-break space (U+00A0), an ideographic space (U+3000)
  EXPECT_FALSE(readNamed(" \tx_var ,\xC2\xA0u_var.\xE3\x80\x80y_var\n", kTyped, chains));
  EXPECT_EQ(chains, (Chains{{0, 1}, {2}}));
  // the space inside a name stays
  EXPECT_FALSE(readNamed("  r 4 ", kTyped, chains));
  EXPECT_EQ(chains, (Chains{{3}}));
  // a zero-width space (U+200B) and a hyphen (U+2010) are not white space
  EXPECT_EQ(readNamed("x_var\xE2\x80\x8B", kTyped, chains).fault, Fault::unknownName);
  EXPECT_EQ(notation::trimSpaces("\xE2\x80\x90x\xE2\x80\x8A"), "\xE2\x80\x90x");
  // broken UTF-8 at either end is left alone
  EXPECT_EQ(notation::trimSpaces("\x80 x \xE2\x80"), "\x80 x \xE2\x80");
  EXPECT_EQ(notation::trimSpaces(" \xE2\x80\xA8\xE2\x80\xA9 "), "");
  EXPECT_EQ(notation::trimSpaces(""), "");
}

TEST(NotationText, PrintedTextsReadBackAsTheSameChains) {
  EXPECT_EQ(notation::printClassic({{0, 1}, {}, {2}, {}}), "01..2.");
  EXPECT_EQ(notation::printClassic({}), "");
  Chains digits;
  ASSERT_FALSE(notation::readClassic("01..2.", 3, ClassicRule::distinct, digits));
  EXPECT_EQ(notation::printClassic(digits), "01..2.");

  // names out of range and chains left empty are not written
  const auto nameOf = namesOf(kNames);
  EXPECT_EQ(notation::printNamed({{}, {2, 9, 0}, {-1}, {1}}, nameOf, true), "y_var,x_var.u_var");
  EXPECT_EQ(notation::printNamed({}, nameOf, true), "");
  // names that cannot be written back
  Problem why;
  EXPECT_EQ(notation::printNamed({{0}, {3}}, nameOf, true, &why), "");
  EXPECT_EQ(why.fault, Fault::unwritableName);
  EXPECT_EQ(why.subject, "r 4");
  EXPECT_EQ(notation::printNamed({{0}, {3}}, nameOf, false), "x_var.r 4");
  const std::vector<std::string> digitNames = {"7", "8"};
  why = {};
  EXPECT_EQ(notation::printNamed({{0}, {1}}, namesOf(digitNames), true, &why), "");
  EXPECT_EQ(why.fault, Fault::digitNames);
  EXPECT_EQ(notation::printNamed({{0, 1}}, namesOf(digitNames), true), "7,8");

  // random layouts of many registers, both named rules
  std::vector<std::string> many;
  for (int r = 0; r < 300; ++r) many.push_back("reg" + std::to_string(r));
  std::mt19937 gen(5);
  for (int trial = 0; trial < 50; ++trial) {
    std::vector<int> order(many.size());
    for (size_t r = 0; r < order.size(); ++r) order[r] = static_cast<int>(r);
    std::shuffle(order.begin(), order.end(), gen);
    Chains chains(1);
    const size_t used = 1 + gen() % order.size();
    for (size_t k = 0; k < used; ++k) {
      if (k > 0 && gen() % 5 == 0) chains.emplace_back();
      chains.back().push_back(order[k]);
    }
    const std::string text = notation::printNamed(chains, namesOf(many), true);
    for (const NamedRule& rule : {kEngine, kTyped}) {
      Chains again;
      ASSERT_FALSE(notation::readNamed(text, 300, lookupIn(many), rule, again)) << text;
      EXPECT_EQ(again, chains);
    }
  }
}

TEST(NotationText, TheEnginesWordsForEachFault) {
  EXPECT_EQ(notation::describe({}), "");
  EXPECT_EQ(notation::describe({Fault::noRegisters, {}}), "the circuit has no registers");
  EXPECT_EQ(notation::describe({Fault::emptyChain, {}}), "empty chain");
  EXPECT_EQ(notation::describe({Fault::badCharacter, {}}), "only digits and '.' are allowed");
  EXPECT_EQ(notation::describe({Fault::tooManyChains, {}}), "more chains than registers");
  EXPECT_EQ(notation::describe({Fault::chainTooLong, {}}), "a chain longer than the register count");
  EXPECT_EQ(notation::describe({Fault::noSuchDigit, "7"}), "register 7 does not exist");
  EXPECT_EQ(notation::describe({Fault::emptyName, {}}), "empty register name");
  EXPECT_EQ(notation::describe({Fault::unwritableName, "a b"}), "register name 'a b' cannot be written in a notation");
  EXPECT_EQ(notation::describe({Fault::unknownName, "w"}), "unknown register 'w'");
  EXPECT_EQ(notation::describe({Fault::nameTwice, "w"}), "register 'w' named twice");
  EXPECT_EQ(notation::describe({Fault::digitNames, {}}),
            "register names made of digits cannot be written in a notation");
  EXPECT_EQ(notation::nameProblem("a.b").fault, Fault::unwritableName);
  EXPECT_EQ(notation::nameProblem("a\tb").fault, Fault::unwritableName);
  EXPECT_EQ(notation::nameProblem("").fault, Fault::emptyName);
  EXPECT_FALSE(notation::nameProblem("x_var"));
}
