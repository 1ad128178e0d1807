#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "test_util.h"
#include "test_diagnostics.h"

namespace {

std::vector<std::string> portNames(const Item* i) {
  std::vector<std::string> names;
  for (Port* p = i->getPList(); p; p = p->getNext()) names.push_back(p->getName());
  return names;
}

std::vector<std::string> fanOut(const Port* p) {
  std::vector<std::string> names;
  for (LinkToPort* l = p->getLinkToPortPtr(); l; l = l->getNext()) names.push_back(l->getPort()->getName());
  return names;
}

// Recomputes every count from the ports and compares with the stored ones.
void expectCountsConsistent(const Circuit& c) {
  int pin = 0, pcin = 0, pout = 0, pinout = 0, in = 0, cin = 0, out = 0, inout = 0;
  for (Item* i = c.getIList(); i; i = i->getNext()) {
    int iin = 0, icin = 0, iout = 0, iinout = 0;
    for (Port* p = i->getPList(); p; p = p->getNext()) {
      int* slot = p->getType() == IN ? &iin : p->getType() == OUT ? &iout : p->getType() == INOUT ? &iinout : &icin;
      *slot += p->getNBits();
    }
    if (i->getType() == UUA) {
      pin += iin, pcin += icin, pout += iout, pinout += iinout;
    } else {
      EXPECT_EQ(i->getNIns(), iin) << i->getName();
      EXPECT_EQ(i->getNCins(), icin) << i->getName();
      EXPECT_EQ(i->getNOuts(), iout) << i->getName();
      EXPECT_EQ(i->getNInouts(), iinout) << i->getName();
      in += iin, cin += icin, out += iout, inout += iinout;
    }
  }
  EXPECT_EQ(c.getNPins(), pin);
  EXPECT_EQ(c.getNPCins(), pcin);
  EXPECT_EQ(c.getNPouts(), pout);
  EXPECT_EQ(c.getNPinouts(), pinout);
  EXPECT_EQ(c.getNIns(), in);
  EXPECT_EQ(c.getNCins(), cin);
  EXPECT_EQ(c.getNOuts(), out);
  EXPECT_EQ(c.getNInouts(), inout);
}

TEST(Circuit, NewCircuitHoldsOnlyItsPortHolder) {
  ErrorCapture errors;
  Circuit c("top");
  ASSERT_NE(c.getIList(), nullptr);
  EXPECT_EQ(c.getIList()->getNext(), nullptr);
  EXPECT_EQ(c.getIList()->getType(), UUA);
  EXPECT_EQ(c.getIList()->getName(), "top");
  EXPECT_EQ(c.getArea(), 0);
  EXPECT_EQ(c.getNREGs() + c.getNFUs() + c.getNMUXs(), 0);
  EXPECT_EQ(c.getNPortBits(), 0);
  EXPECT_EQ(c.getNotation(), "");
  EXPECT_EQ(testErrorCount(), 0);
}

TEST(Circuit, ItemKindsSetAreaAndCounts) {
  ErrorCapture errors;
  Circuit c("top");
  const item_type kinds[] = {ADD, SUB, MUL, DIV, COMP, REG, MUX, SREG};
  const int areas[] = {40, 72, 208, 300, 40, 80, 32, 112};
  int total = 0;
  for (int k = 0; k < 8; ++k) {
    Item* i = c.addItem(std::string("i").append(std::to_string(k)), kinds[k]);
    EXPECT_EQ(i->getArea(), areas[k]);
    total += areas[k];
  }
  EXPECT_EQ(c.getArea(), total);
  EXPECT_EQ(c.getNFUs(), 5);
  EXPECT_EQ(c.getNREGs(), 1);  // a declared SREG is not counted
  EXPECT_EQ(c.getNMUXs(), 1);
  // Items insert at the head: the holder ends up last.
  EXPECT_EQ(c.getIList()->getName(), "i7");
  Item* last = c.getIList();
  while (last->getNext()) last = last->getNext();
  EXPECT_EQ(last->getType(), UUA);
  EXPECT_EQ(testErrorCount(), 0);
}

TEST(Circuit, PortBitsAreCountedOnItemsAndCircuit) {
  ErrorCapture errors;
  Circuit c("top");
  c.addPrimaryPort("a", 8, IN);
  c.addPrimaryPort("clk", 1, CIN_CLK);
  c.addPrimaryPort("s", 2, CIN_SEL);
  c.addPrimaryPort("y", 4, OUT);
  c.addPrimaryPort("io", 3, INOUT);
  Item* m = c.addItem("m", MUX);
  m->addPort("a", 8, IN);
  m->addPort("b", 8, IN);
  m->addPort("s", 1, CIN_SEL);
  m->addPort("q", 8, OUT);
  m->addPort("x", 5, INOUT);
  EXPECT_EQ(c.getNPins(), 8);
  EXPECT_EQ(c.getNPCins(), 3);
  EXPECT_EQ(c.getNPouts(), 4);
  EXPECT_EQ(c.getNPinouts(), 3);
  EXPECT_EQ(c.getNIns(), 16);
  EXPECT_EQ(c.getNCins(), 1);
  EXPECT_EQ(c.getNOuts(), 8);
  EXPECT_EQ(c.getNInouts(), 5);
  EXPECT_EQ(portNames(m), (std::vector<std::string>{"m.x", "m.q", "m.s", "m.b", "m.a"}));
  expectCountsConsistent(c);
}

TEST(Circuit, PortLookupByComposedName) {
  ErrorCapture errors;
  auto c = readText(kWorkedExample);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->getPortPtr("add1.o")->getName(), "add1.o");
  EXPECT_EQ(c->getPortPtr("ex.clk")->getType(), CIN_CLK);
  EXPECT_EQ(testErrorCount(), 0);
  EXPECT_EQ(c->getPortPtr("add1.zz"), nullptr);  // known item, unknown port: silent
  EXPECT_EQ(testErrorCount(), 0);
  EXPECT_EQ(c->getPortPtr("nosuch.o"), nullptr);  // unknown item: silent too (the reader reports it)
  EXPECT_EQ(testErrorCount(), 0);
}

TEST(Item, InnerPathsOfEachKind) {
  ErrorCapture errors;
  Circuit c("top");
  Item* m = c.addItem("m", MUX);
  Port* ma = m->addPort("a", 8, IN);
  Port* ms = m->addPort("s", 1, CIN_SEL);
  Port* mb = m->addPort("b", 8, IN);
  Port* mio = m->addPort("io", 8, INOUT);
  m->addPort("q1", 8, OUT);
  m->addPort("q2", 8, OUT);  // declared last: first in list order, so it is the output
  m->makeInnerIpaths(testDiagnostics());
  EXPECT_EQ(fanOut(ma), std::vector<std::string>{"m.q2"});
  EXPECT_EQ(fanOut(mb), std::vector<std::string>{"m.q2"});
  EXPECT_TRUE(fanOut(ms).empty());
  EXPECT_TRUE(fanOut(mio).empty());

  Item* r = c.addItem("r", REG);
  Port* d1 = r->addPort("d1", 8, IN);
  Port* d2 = r->addPort("d2", 8, IN);
  r->addPort("q1", 8, OUT);
  r->addPort("q2", 8, OUT);
  r->makeInnerIpaths(testDiagnostics());  // first declared input to first declared output
  EXPECT_EQ(fanOut(d1), std::vector<std::string>{"r.q1"});
  EXPECT_TRUE(fanOut(d2).empty());
  EXPECT_EQ(testErrorCount(), 0);

  Item* f = c.addItem("f", ADD);
  f->addPort("a", 8, IN);
  f->addPort("b", 8, IN);
  f->makeInnerIpaths(testDiagnostics());
  Item* bare = c.addItem("bare", REG);
  bare->makeInnerIpaths(testDiagnostics());
  Item* noOut = c.addItem("noout", REG);
  noOut->addPort("d", 8, IN);
  noOut->makeInnerIpaths(testDiagnostics());
  EXPECT_EQ(errors.text(),
            "ERROR(1): makeInnerIpaths(f): dst points to NULL\n"
            "ERROR(2): makeInnerIpaths(f): dst points to NULL\n"
            "ERROR(3): makeInnerIpaths(bare): src dst points to NULL\n"
            "ERROR(4): makeInnerIpaths(noout): dst points to NULL\n");
}

TEST(Item, ScanConversionRoundTripRestoresEverything) {
  ErrorCapture errors;
  auto c = readText(kWorkedExample);
  ASSERT_TRUE(c);
  Item* r1 = c->getItemPtr("r1");
  const auto before = portNames(r1);
  const int area = c->getArea(), nins = c->getNIns(), ncins = c->getNCins(), nouts = c->getNOuts();
  const int regs = c->getNREGs();

  r1->toSreg();
  EXPECT_EQ(r1->getType(), SREG);
  EXPECT_EQ(portNames(r1)[0], "r1.SCAN_OUT");
  EXPECT_EQ(portNames(r1)[1], "r1.SCAN_IN");
  EXPECT_EQ(portNames(r1)[2], "r1.SCAN_MODE");
  EXPECT_EQ(c->getArea(), area + 40);
  EXPECT_EQ(r1->getArea(), 80);
  EXPECT_EQ(c->getNIns(), nins + 1);
  EXPECT_EQ(c->getNCins(), ncins + 1);
  EXPECT_EQ(c->getNOuts(), nouts + 1);
  EXPECT_EQ(c->getNREGs(), regs);
  EXPECT_EQ(c->getRegPtr(0), r1);  // keeps its register number
  expectCountsConsistent(*c);

  r1->toReg();
  EXPECT_EQ(r1->getType(), REG);
  EXPECT_EQ(portNames(r1), before);
  EXPECT_EQ(c->getArea(), area);
  EXPECT_EQ(c->getNIns(), nins);
  EXPECT_EQ(c->getNCins(), ncins);
  EXPECT_EQ(c->getNOuts(), nouts);
  expectCountsConsistent(*c);
  EXPECT_EQ(testErrorCount(), 0);
}

TEST(Item, ScanConversionRefusesOtherKinds) {
  ErrorCapture errors;
  Circuit c("top");
  Item* m = c.addItem("m1", MUX);
  m->addPort("a", 8, IN);
  const int area = c.getArea();
  EXPECT_FALSE(m->toSreg());
  EXPECT_EQ(m->getType(), MUX);
  EXPECT_EQ(portNames(m).size(), 1u);
  EXPECT_EQ(c.getArea(), area);

  // A scan register declared as such is not undone: its own ports stay.
  Item* s = c.addItem("s1", SREG);
  s->addPort("d", 8, IN);
  s->addPort("q", 8, OUT);
  EXPECT_FALSE(s->toReg());
  EXPECT_EQ(s->getType(), SREG);
  EXPECT_EQ(portNames(s).size(), 2u);
  Item* r = c.addItem("r1", REG);
  EXPECT_FALSE(r->toReg());
  EXPECT_EQ(r->getType(), REG);
  EXPECT_EQ(testErrorCount(), 0);  // refusals are returned, not reported
}

TEST(Circuit, RegisterNumberingFollowsTheItemList) {
  ErrorCapture errors;
  Circuit c("top");
  Item* r0 = c.addItem("first", REG);
  c.addItem("adder", ADD);
  Item* declaredScan = c.addItem("scan", SREG);
  Item* r1 = c.addItem("second", REG);
  Item* r2 = c.addItem("third", REG);
  // Newest first; a declared scan register is not a layout register.
  EXPECT_EQ(c.getRegPtr(0), r2);
  EXPECT_EQ(c.getRegPtr(1), r1);
  EXPECT_EQ(c.getRegPtr(2), r0);
  EXPECT_EQ(c.getRegPtr(3), nullptr);
  EXPECT_EQ(c.getRegPtr(-1), nullptr);
  EXPECT_FALSE(declaredScan->isLayoutRegister());
  r1->toSreg();
  EXPECT_EQ(c.getRegPtr(1), r1);
  EXPECT_EQ(c.getRegPtr(2), r0);
}

TEST(Circuit, ClockTotalCountsRegistersAndScanParallelWidth) {
  ErrorCapture errors;
  Circuit c("top");
  c.addItem("r1", REG);
  c.addItem("r2", REG);
  Item* s = c.addItem("s", SREG);
  s->addPort("d", 8, IN);
  s->addPort("SCAN_IN", 1, IN);
  s->addPort("q", 8, OUT);
  EXPECT_EQ(c.getNClks(), 2 + 8);
  Item* r3 = c.addItem("r3", REG);
  r3->addPort("d", 4, IN);
  r3->toSreg();  // a converted register counts its parallel width
  EXPECT_EQ(c.getNClks(), 2 + 8 + 4);
}

TEST(Circuit, ConnectScanRegisters) {
  ErrorCapture errors;
  Circuit c("top");
  Item* a = c.addItem("a", REG);
  Item* b = c.addItem("b", REG);
  a->toSreg();
  b->toSreg();
  EXPECT_TRUE(c.connectSREGs(a, b));
  EXPECT_EQ(fanOut(c.getPortPtr("a.SCAN_OUT")), std::vector<std::string>{"b.SCAN_IN"});
  EXPECT_FALSE(c.connectSREGs(a, nullptr));
  EXPECT_FALSE(c.connectSREGs(nullptr, b));
  Item* empty = c.addItem("e", REG);
  EXPECT_FALSE(c.connectSREGs(a, empty));
  EXPECT_EQ(testErrorCount(), 0);
}

TEST(Circuit, ReadyPortListInsertsOnceAtItsHead) {
  ErrorCapture errors;
  auto c = readText(kWorkedExample);
  ASSERT_TRUE(c);
  Port* a = c->getPortPtr("ex.a");
  Port* b = c->getPortPtr("ex.b");
  a->setMultC(0.5);
  a->setNPorts(3);
  a->setNClks(2);
  ASSERT_NE(c->addReadyPort(a), nullptr);
  ASSERT_NE(c->addReadyPort(b), nullptr);
  EXPECT_EQ(c->addReadyPort(a), nullptr);
  EXPECT_EQ(c->getReadyPorts()->getPort(), b);
  EXPECT_EQ(c->getReadyPorts()->getNext()->getPort(), a);
  EXPECT_EQ(c->getReadyPorts()->getNext()->getNext(), nullptr);
  EXPECT_EQ(testErrorCount(), 0);
  EXPECT_EQ(c->addReadyPort(nullptr), nullptr);
  EXPECT_EQ(testErrorCount(), 0);

  c->destroyReadyPortList();
  EXPECT_EQ(c->getReadyPorts(), nullptr);
  EXPECT_FALSE(a->inReadyList());
  EXPECT_EQ(a->getMultC(), 0.0);
  EXPECT_EQ(a->getNPorts(), 0);
  EXPECT_EQ(a->getNClks(), 0);
}

TEST(Item, RemovingAPortDropsEveryReferenceToIt) {
  ErrorCapture errors;
  auto c = readText(kWorkedExample);
  ASSERT_TRUE(c);
  Item* holder = c->getPortHolder();
  Port* extra = holder->addPort("SCAN_IN0", 1, IN);
  Port* regIn = c->getPortPtr("r1.d");
  Port* addOut = c->getPortPtr("add1.o");
  addOut->addToPort(extra);
  extra->addToPort(regIn);
  regIn->setConSrc(extra);
  c->addReadyPort(extra);
  c->addReadyPort(regIn);
  const int npins = c->getNPins();

  ASSERT_TRUE(holder->removePort(extra));
  EXPECT_EQ(fanOut(addOut), std::vector<std::string>{"r1.d"});
  EXPECT_EQ(regIn->getConSrc(), nullptr);
  EXPECT_EQ(c->getReadyPorts()->getPort(), regIn);
  EXPECT_EQ(c->getReadyPorts()->getNext(), nullptr);
  EXPECT_EQ(c->getNPins(), npins - 1);
  EXPECT_FALSE(holder->removePort(regIn));  // not the holder's port
  c->destroyReadyPortList();
  expectCountsConsistent(*c);
}

// The link counts the reader's limits rely on follow links made, removed
// one by one, and removed with a port.
TEST(Port, LinkCountsFollowEveryChange) {
  ErrorCapture errors;
  auto c = readText(kWorkedExample);
  ASSERT_TRUE(c);
  auto countOut = [](const Port* p) {
    std::uint32_t n = 0;
    for (LinkToPort* l = p->getLinkToPortPtr(); l; l = l->getNext()) ++n;
    return n;
  };
  Port* a = c->getPortPtr("ex.a");
  Port* regIn = c->getPortPtr("r1.d");
  const std::uint32_t regDrivers = regIn->getNLinksIn();
  a->addToPort(regIn);
  a->addToPort(regIn);
  EXPECT_EQ(a->getNLinksOut(), countOut(a));
  EXPECT_EQ(regIn->getNLinksIn(), regDrivers + 2);
  EXPECT_EQ(a->removeLinksTo(regIn), 2);
  EXPECT_EQ(a->getNLinksOut(), countOut(a));
  EXPECT_EQ(regIn->getNLinksIn(), regDrivers);

  Item* holder = c->getPortHolder();
  Port* extra = holder->addPort("extra", 8, IN);
  extra->addToPort(regIn);
  c->getPortPtr("add1.o")->addToPort(extra);
  EXPECT_EQ(regIn->getNLinksIn(), regDrivers + 1);
  const std::uint32_t addOut = c->getPortPtr("add1.o")->getNLinksOut();
  ASSERT_TRUE(holder->removePort(extra));
  EXPECT_EQ(regIn->getNLinksIn(), regDrivers);
  EXPECT_EQ(c->getPortPtr("add1.o")->getNLinksOut(), addOut - 1);
  EXPECT_EQ(c->getPortPtr("add1.o")->getNLinksOut(), countOut(c->getPortPtr("add1.o")));
}

TEST(Circuit, DeletingACircuitReleasesEverything) {
  ErrorCapture errors;
  auto c = readText(kWorkedExample);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->getNREGs(), 1);
  EXPECT_EQ(c->getNFUs(), 1);
  c.reset();  // deleting a circuit with links and a ready list must not leak
  EXPECT_EQ(testErrorCount(), 0);
}

}  // namespace
