#include "scan/notation.h"

#include "model/model.h"

LayoutRegisters::LayoutRegisters(const Circuit& c) {
  for (Item* i = c.getIList(); i; i = i->getNext()) {
    if (i->isLayoutRegister()) items.push_back(i);
    leavesOut = leavesOut || i->isLayoutExcluded();
  }
}

LayoutRegisters& LayoutRegisters::operator=(const LayoutRegisters& other) {
  if (this != &other) {
    items = other.items;
    leavesOut = other.leavesOut;
    lookup = std::make_unique<NameLookup>();
  }
  return *this;
}

const std::string& LayoutRegisters::name(int r) const { return items[static_cast<size_t>(r)]->getName(); }

int LayoutRegisters::indexOf(std::string_view n) const {
  if (!lookup) return -1;  // moved from
  std::call_once(lookup->made, [this] {
    lookup->byName.reserve(items.size());
    // The first register of a name in index order is the one a name refers to.
    for (size_t r = items.size(); r-- > 0;) lookup->byName[items[r]->getName()] = static_cast<int>(r);
  });
  const auto it = lookup->byName.find(n);
  return it == lookup->byName.end() ? -1 : it->second;
}

bool isClassicNotation(std::string_view text) { return notation::isClassic(text); }

std::string notationProblem(const std::string& notation, int nregs) {
  return notation::describe(notation::classicProblem(notation, nregs));
}

std::string nameProblem(std::string_view name) { return notation::describe(notation::nameProblem(name)); }

namespace {

// The register index of each digit: digit d is the d-th register described.
void digitsToIndices(ScanChains& chains, int nregs) {
  for (std::vector<int>& chain : chains)
    for (int& r : chain) r = nregs - 1 - r;
}

}  // namespace

std::string parseNotation(std::string_view text, const LayoutRegisters& regs, ScanChains& chains) {
  notation::Problem problem;
  if (notation::isClassic(text)) {
    problem = notation::readClassic(text, regs.count(), notation::ClassicRule::shaped, chains);
    digitsToIndices(chains, regs.count());
  } else {
    const auto indexOf = [&regs](std::string_view name) { return regs.indexOf(name); };
    problem = notation::readNamed(text, regs.count(), indexOf, notation::NamedRule{}, chains);
  }
  return notation::describe(problem);
}

std::string classicNotation(const ScanChains& chains, int nregs) {
  // Digits name at most the first ten registers described; chains left
  // without a digit are not written.
  ScanChains digits;
  for (const std::vector<int>& chain : chains) {
    std::vector<int> kept;
    for (int r : chain)
      if (const int digit = nregs - 1 - r; digit >= 0 && digit <= 9) kept.push_back(digit);
    if (!kept.empty()) digits.push_back(std::move(kept));
  }
  return notation::printClassic(digits);
}

std::string namedNotation(const ScanChains& chains, const LayoutRegisters& regs, std::string* problem) {
  notation::Problem why;
  // An index beyond the registers is left out rather than read out of bounds.
  const auto nameOf = [&regs](int r) { return r >= 0 && r < regs.count() ? &regs.name(r) : nullptr; };
  std::string text = notation::printNamed(chains, nameOf, true, &why);
  if (why && problem) *problem = notation::describe(why);
  return text;
}

std::string layoutNotation(const ScanChains& chains, const LayoutRegisters& regs, std::string* problem) {
  if (usesClassicNotation(regs.count()) && !regs.leavesOutRegisters()) return classicNotation(chains, regs.count());
  return namedNotation(chains, regs, problem);
}
