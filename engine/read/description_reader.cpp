// The description reader reads character by character through a small state
// machine, one state per place in a line; the tokenizer (description_tokens.h)
// hands it whole runs of token characters at once. LINK endpoints are looked
// up in batches (linkbatch.h), and every message waits for the pending batch,
// so that messages come in the order of the lines.
#include "read/description_reader.h"

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <string>

#include "base/diagnostics.h"
#include "read/description_tokens.h"
#include "read/linkbatch.h"

namespace {

using description::BlockInput;
using description::isAlpha;
using description::isSpace;

// Places in a line.
enum class State : unsigned char {
  // the start of every line
  LINE_START, SLASH, COMMENT, KEYWORD, AFTER_KEYWORD,
  // CIR name port(kind,width) ...
  CIR_NAME, CIR_PORT_NAME, CIR_PORT_KIND, CIR_PORT_WIDTH,
  // ITM name(KIND) port(kind,width) ...
  ITM_NAME, ITM_KIND, ITM_PORTS, ITM_PORT_NAME, ITM_PORT_KIND, ITM_PORT_WIDTH,
  // LINK item.port -> item.port ...
  LINK_SOURCE_ITEM, LINK_SOURCE_PORT, LINK_DASH, LINK_ARROW, LINK_TARGET_START, LINK_TARGET_ITEM,
  LINK_TARGET_PORT,
};

class DescriptionReader {
 public:
  explicit DescriptionReader(Diagnostics& d) : diagnostics(d) {}
  // Reads the whole description; the circuit read so far when an error stops it.
  std::unique_ptr<Circuit> read(FILE* file, long maxBytes);

 private:
  std::string* runToken(const bool*& stops);
  size_t takeTokenRun(BlockInput& in, long limit);
  bool append(std::string& token, int c);
  static void start(std::string& token, int c) { token.assign(1, static_cast<char>(c)); }
  bool convertWidth(int& bits);
  bool settleLinks();
  bool refuse(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

  bool step(int c);
  bool stepLineStart(int c);
  bool startLine(int c);
  bool stepCir(int c);
  bool startCircuit();
  bool addCircuitPort();
  bool stepItm(int c);
  bool declareItem();
  bool endItemLine();
  bool addItemPort();
  bool stepLink(int c);
  bool addEndpoint(bool source, int c);

  Diagnostics& diagnostics;
  State state = State::LINE_START;
  long line = 1;
  std::string keyword, width, portType, portName, itemName, circuitName, kind, composed;
  std::unique_ptr<Circuit> circuit;
  Item* holder = nullptr;
  Item* item = nullptr;
  Port* source = nullptr;
  LinkLimits links;
  LinkBatch batch;  // LINK endpoints read but not yet looked up
};

std::unique_ptr<Circuit> DescriptionReader::read(FILE* file, long maxBytes) {
  auto in = std::make_unique<BlockInput>(file);
  for (long bytes = 0;; ++bytes) {
    int c = in->get();
    if (c == EOF) break;
    if (bytes == maxBytes) {
      refuse("Description longer than %ld bytes (line %ld)!\n", maxBytes, line);
      return std::move(circuit);
    }
    if (c == '\r' && in->peek() == '\n') c = in->get();  // a CR LF line end reads as LF
    if (c == '\n') ++line;
    if (!step(c)) return std::move(circuit);
    bytes += takeTokenRun(*in, maxBytes - 1 - bytes);
  }
  if (!settleLinks()) return std::move(circuit);
  if (circuit) {
    circuit->setOrigArea(circuit->getArea());
    circuit->setOrigNPIOs(circuit->getNPIOs());
  }
  return std::move(circuit);
}

// The token the current state appends plain characters to, and the
// characters that end them; null when the state handles each character.
std::string* DescriptionReader::runToken(const bool*& stops) {
  using description::endsAt;
  switch (state) {
    case State::KEYWORD: stops = description::kCharClasses.endsAtSpace; return &keyword;
    case State::CIR_NAME: stops = description::kCharClasses.endsAtSpace; return &circuitName;
    case State::CIR_PORT_KIND: stops = endsAt(','); return &portType;
    case State::CIR_PORT_WIDTH: stops = endsAt(')'); return &width;
    case State::ITM_NAME: stops = endsAt('('); return &itemName;
    case State::ITM_KIND: stops = endsAt(')'); return &kind;
    case State::ITM_PORT_NAME: stops = endsAt('('); return &portName;
    case State::ITM_PORT_KIND: stops = endsAt(','); return &portType;
    case State::ITM_PORT_WIDTH: stops = endsAt(')'); return &width;
    case State::LINK_SOURCE_ITEM:
    case State::LINK_TARGET_ITEM: stops = endsAt('.'); return &itemName;
    case State::LINK_SOURCE_PORT:
    case State::LINK_TARGET_PORT: stops = description::kCharClasses.endsAtSpace; return &portName;
    default: return nullptr;
  }
}

// Takes at once, up to `limit`, the characters the current state would
// take one by one without leaving it: the rest of a comment, or plain
// characters of a token (as far as the token has room). Returns how many.
size_t DescriptionReader::takeTokenRun(BlockInput& in, long limit) {
  if (limit <= 0) return 0;
  size_t n = 0;
  if (state == State::COMMENT) {
    in.takeRun(description::kCharClasses.endsLine, static_cast<size_t>(limit), n);
    return n;
  }
  const bool* stops = nullptr;
  std::string* token = runToken(stops);
  if (!token) return 0;
  const size_t room = description::roomIn(*token);
  if (room == 0) return 0;
  const char* run = in.takeRun(stops, std::min(room, static_cast<size_t>(limit)), n);
  token->append(run, n);
  return n;
}

// Appends `c` to a token; a token longer than the limit stops the reading.
bool DescriptionReader::append(std::string& token, int c) {
  if (description::roomIn(token) == 0)
    return refuse("Token longer than %d characters (line %ld)!\n", MAX_STR_LEN - 1, line);
  token.push_back(static_cast<char>(c));
  return true;
}

// Reports the formatted message once the pending links are settled (unless
// one of them fails first); always false, as the reading stops.
bool DescriptionReader::refuse(const char* fmt, ...) {
  if (!settleLinks()) return false;
  va_list args;
  va_start(args, fmt);
  diagnostics.errorV(fmt, args);
  va_end(args);
  return false;
}

// Converts the width token; false (with a counted error) when it is out of range.
bool DescriptionReader::convertWidth(int& bits) {
  long w = std::strtol(width.c_str(), nullptr, 10);
  if (w < 0 || w > MAX_PORT_WIDTH) {
    diagnostics.error("Port width '%s' out of range 0..%ld (line %ld)!\n", width.c_str(), MAX_PORT_WIDTH, line);
    return false;
  }
  if (circuit && circuit->getNPortBits() + w > MAX_CIRCUIT_BITS) {
    diagnostics.error("Circuit has more than %ld port bits (line %ld)!\n", MAX_CIRCUIT_BITS, line);
    return false;
  }
  bits = static_cast<int>(w);
  return true;
}

// Looks up the pending LINK endpoints together and adds their links in
// order; false, after the message of the first that fails, when one does.
// Every message of the reader comes after this, so messages keep the order
// of a reading that looks each endpoint up as soon as it is read.
bool DescriptionReader::settleLinks() {
  if (batch.empty()) return true;
  if (circuit) batch.resolve(*circuit);
  for (const LinkBatch::Endpoint& e : batch.all()) {
    Port* p = circuit ? e.port : nullptr;
    if (!p) {
      composed.assign(batch.nameOf(e));
      if (circuit && !circuit->getItemPtr(composed.substr(0, composed.find(NAME_SEPARATOR))))
        diagnostics.error("iptr in Circuit::getPortPtr tries to acces a NULL pointer!\n");
      diagnostics.error("pointer to %s is NULL (Line %ld)! Please check the port name.\n", composed.c_str(), e.line);
      batch.clear();
      return false;
    }
    if (e.source) {
      source = p;
      continue;
    }
    if (!links.admit(source, p, e.linkLine, diagnostics)) {
      batch.clear();
      return false;
    }
    source->addToPort(p);
  }
  batch.clear();
  return true;
}

bool DescriptionReader::step(int c) {
  if (state < State::CIR_NAME) return stepLineStart(c);
  if (state < State::ITM_NAME) return stepCir(c);
  if (state < State::LINK_SOURCE_ITEM) return stepItm(c);
  return stepLink(c);
}

// ---------------------------------------------------------------- line start

bool DescriptionReader::stepLineStart(int c) {
  switch (state) {
    case State::LINE_START:
      if (isSpace(c)) return true;
      if (c == '/') {
        state = State::SLASH;
        return true;
      }
      if (isAlpha(c)) {
        start(keyword, c);
        state = State::KEYWORD;
        return true;
      }
      return refuse("Alpha-char expected at the beginning of line %ld!\n", line);
    case State::SLASH:
      if (c != '/') return refuse("'/' expected (line %ld)", line);
      state = State::COMMENT;
      return true;
    case State::COMMENT:
      if (c == '\n') state = State::LINE_START;
      return true;
    case State::KEYWORD:
      if (!isSpace(c)) return append(keyword, c);
      state = State::AFTER_KEYWORD;
      return true;
    default:
      return startLine(c);
  }
}

// The first character after the keyword starts the line's first name.
bool DescriptionReader::startLine(int c) {
  if (keyword != "LINK" && !settleLinks()) return false;
  if (keyword == "CIR") {
    start(circuitName, c);
    state = State::CIR_NAME;
  } else if (keyword == "ITM") {
    start(itemName, c);
    item = nullptr;
    state = State::ITM_NAME;
  } else if (keyword == "LINK") {
    start(itemName, c);
    state = State::LINK_SOURCE_ITEM;
  } else {
    diagnostics.error("Wrong ID at the begining of line %ld! One of these IDs expected: CIR, ITM, LINK\n", line);
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- CIR lines

bool DescriptionReader::stepCir(int c) {
  switch (state) {
    case State::CIR_NAME:
      if (!isSpace(c)) return append(circuitName, c);
      return startCircuit();
    case State::CIR_PORT_NAME:
      if (c == '(') {
        portType.clear();
        state = State::CIR_PORT_KIND;
        return true;
      }
      if (c == '\n') {
        state = State::LINE_START;
        return true;
      }
      if (isSpace(c)) return true;
      return append(portName, c);
    case State::CIR_PORT_KIND:
      if (c != ',') return append(portType, c);
      width.clear();
      state = State::CIR_PORT_WIDTH;
      return true;
    default:
      if (c != ')') return append(width, c);
      return addCircuitPort();
  }
}

bool DescriptionReader::startCircuit() {
  circuit.reset();  // a second CIR line starts a new circuit
  circuit = std::make_unique<Circuit>(circuitName);
  holder = circuit->getIList();
  if (!holder) {
    diagnostics.error("ptr to CIR-item is NULL - can't add '%s' ports!\n", circuitName.c_str());
    return false;
  }
  item = nullptr;
  portName.clear();
  state = State::CIR_PORT_NAME;
  return true;
}

bool DescriptionReader::addCircuitPort() {
  const port_type t = description::portKindNamed(portType);
  if (t == P_UNKNOWN) {
    diagnostics.error("State 8: Unknown port type '%s' (line %ld)\n", portType.c_str(), line);
    return false;
  }
  int bits = 0;
  if (!convertWidth(bits)) return false;
  holder->addPort(portName, bits, t);
  portName.clear();
  state = State::CIR_PORT_NAME;
  return true;
}

// ---------------------------------------------------------------- ITM lines

bool DescriptionReader::stepItm(int c) {
  switch (state) {
    case State::ITM_NAME:
      if (c != '(') return append(itemName, c);
      kind.clear();
      state = State::ITM_KIND;
      return true;
    case State::ITM_KIND:
      if (c != ')') return append(kind, c);
      return declareItem();
    case State::ITM_PORTS:
      if (c == '\n') return endItemLine();
      if (isSpace(c)) return true;
      start(portName, c);
      state = State::ITM_PORT_NAME;
      return true;
    case State::ITM_PORT_NAME:
      if (c == '(') {
        portType.clear();
        state = State::ITM_PORT_KIND;
        return true;
      }
      if (c == '\n') {
        state = State::LINE_START;
        return true;
      }
      return append(portName, c);
    case State::ITM_PORT_KIND:
      if (c != ',') return append(portType, c);
      width.clear();
      state = State::ITM_PORT_WIDTH;
      return true;
    default:
      if (c != ')') return append(width, c);
      return addItemPort();
  }
}

bool DescriptionReader::declareItem() {
  const item_type t = description::itemKindNamed(kind);
  if (t == I_UNKNOWN) {
    diagnostics.error("State 52: Unknown item type '%s' (line %ld)\n", kind.c_str(), line);
    return false;
  }
  if (circuit) item = circuit->addItem(itemName, t);
  state = State::ITM_PORTS;
  return true;
}

// The end of an ITM line makes the item's inner paths.
bool DescriptionReader::endItemLine() {
  state = State::LINE_START;
  if (item) {
    item->makeInnerIpaths(diagnostics);
    return true;
  }
  diagnostics.error("State 52: iptr is NULL. Can't make inner ipaths of item '%s'\n", itemName.c_str());
  return false;
}

bool DescriptionReader::addItemPort() {
  const port_type t = description::portKindNamed(portType);
  if (t == P_UNKNOWN) {
    diagnostics.error("State 55: Unknown port type '%s' (line %ld)\n", portType.c_str(), line);
    return false;
  }
  int bits = 0;
  if (!convertWidth(bits)) return false;
  if (item) item->addPort(portName, bits, t);
  state = State::ITM_PORTS;
  return true;
}

// ---------------------------------------------------------------- LINK lines

bool DescriptionReader::stepLink(int c) {
  switch (state) {
    case State::LINK_SOURCE_ITEM:
    case State::LINK_TARGET_ITEM:
      if (c != '.') return append(itemName, c);
      portName.clear();
      state = state == State::LINK_SOURCE_ITEM ? State::LINK_SOURCE_PORT : State::LINK_TARGET_PORT;
      return true;
    case State::LINK_SOURCE_PORT:
    case State::LINK_TARGET_PORT:
      if (!isSpace(c)) return append(portName, c);
      return addEndpoint(state == State::LINK_SOURCE_PORT, c);
    case State::LINK_DASH:
      if (c != '-') return refuse("'-' expected (line %ld)", line);
      state = State::LINK_ARROW;
      return true;
    case State::LINK_ARROW:
      if (c != '>') return refuse("'>' expected (line %ld)", line);
      state = State::LINK_TARGET_START;
      return true;
    default:
      if (isSpace(c)) return true;
      start(itemName, c);
      state = State::LINK_TARGET_ITEM;
      return true;
  }
}

// The space `c` after an endpoint's port name: the endpoint joins the batch.
bool DescriptionReader::addEndpoint(bool isSource, int c) {
  const long linkLine = isSource || c != '\n' ? line : line - 1;
  if (batch.add(itemName, portName, isSource, line, linkLine) && !settleLinks()) return false;
  if (isSource)
    state = State::LINK_DASH;
  else
    state = c == '\n' ? State::LINE_START : State::LINK_TARGET_START;
  return true;
}

}  // namespace

std::unique_ptr<Circuit> readCirData(FILE* in, Diagnostics& diagnostics, long maxBytes) {
  std::printf("Reading digital circuit data...\n");
  DescriptionReader reader(diagnostics);
  return reader.read(in, maxBytes);
}
