#include "cli/main.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/error.h"
#include "optimise/ga.h"
#include "read/linkbatch.h"
#include "scan/insertion.h"
#include "write/reports.h"
#include "base/sidebyside.h"
#include "model/sizelimits.h"

namespace {

// ---------------------------------------------------------------- reader

port_type portTypeOf(const std::string& s) {
  if (s == "in") return IN;
  if (s == "out") return OUT;
  if (s == "inout") return INOUT;
  if (s == "clk") return CIN_CLK;
  if (s == "sel") return CIN_SEL;
  return P_UNKNOWN;
}

item_type itemTypeOf(const std::string& s) {
  if (s == "ADD") return ADD;
  if (s == "SUB") return SUB;
  if (s == "COMP") return COMP;
  if (s == "MUL") return MUL;
  if (s == "DIV") return DIV;
  if (s == "MUX") return MUX;
  if (s == "REG") return REG;
  if (s == "SREG") return SREG;
  if (s == "AND") return AND;
  if (s == "OR") return OR;
  if (s == "XOR") return XOR;
  if (s == "NOT") return NOT;
  if (s == "LOGIC") return LOGIC;
  if (s == "REDUCE") return REDUCE;
  if (s == "SHIFT") return SHIFT;
  if (s == "ROM") return ROM;
  return I_UNKNOWN;
}

// Character classes of the C locale, one table lookup per character.
struct CharClasses {
  bool space[257] = {};
  bool alpha[257] = {};
  // Characters that end a run of token characters: line ends, and then the
  // spaces or the one delimiter that closes the token.
  bool endsAtSpace[256] = {};
  bool endsLine[256] = {};
  bool endsAt[256][256] = {};
  CharClasses() {
    for (int c = 0; c < 256; ++c) {
      space[c] = std::isspace(c) != 0;
      alpha[c] = std::isalpha(c) != 0;
      const bool lineEnd = c == '\n' || c == '\r';
      endsAtSpace[c] = space[c] || lineEnd;
      endsLine[c] = lineEnd;
      for (int d = 0; d < 256; ++d) endsAt[d][c] = lineEnd || c == d;
    }
  }
};
const CharClasses kClasses;

bool isSpace(int c) { return c >= 0 && c < 256 && kClasses.space[c]; }
bool isAlpha(int c) { return c >= 0 && c < 256 && kClasses.alpha[c]; }

// Characters of a file read in large blocks.
class BlockInput {
 public:
  explicit BlockInput(FILE* f) : file(f) {}
  // The next character, or EOF.
  int get() {
    if (pos == end && !refill()) return EOF;
    return static_cast<unsigned char>(block[pos++]);
  }
  // The next character without taking it, or EOF.
  int peek() {
    if (pos == end && !refill()) return EOF;
    return static_cast<unsigned char>(block[pos]);
  }
  // Takes the characters before the first that `stops` (or at most `limit`)
  // from what is already read; returns where they start and sets `n`.
  const char* takeRun(const bool* stops, size_t limit, size_t& n) {
    const char* from = block + pos;
    const size_t avail = end - pos < limit ? end - pos : limit;
    n = 0;
    while (n < avail && !stops[static_cast<unsigned char>(from[n])]) ++n;
    pos += n;
    return from;
  }

 private:
  bool refill() {
    pos = 0;
    end = file ? std::fread(block, 1, sizeof block, file) : 0;
    return end != 0;
  }
  FILE* file;
  char block[1 << 16];
  size_t pos = 0, end = 0;
};

// The description reader: one numbered state per place in a line; each
// character read is handled by the current state. step() returns false when
// an error stops the reading.
class DescriptionReader {
 public:
  std::unique_ptr<Circuit> read(FILE* file, long maxBytes) {
    auto in = std::make_unique<BlockInput>(file);
    for (long bytes = 0;; ++bytes) {
      int c = in->get();
      if (c == EOF) break;
      if (bytes == maxBytes) {
        if (settleLinks()) error("Description longer than %ld bytes (line %ld)!\n", maxBytes, line);
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

 private:
  // The token the current state appends plain characters to, and the
  // characters that end them; null when the state handles each character.
  std::string* runToken(const bool*& stops) {
    switch (state) {
      case 3: stops = kClasses.endsAtSpace; return &keyword;
      case 5: stops = kClasses.endsAtSpace; return &circuitName;
      case 7: stops = kClasses.endsAt[static_cast<unsigned char>(',')]; return &portType;
      case 8: stops = kClasses.endsAt[static_cast<unsigned char>(')')]; return &width;
      case 50: stops = kClasses.endsAt[static_cast<unsigned char>('(')]; return &itemName;
      case 51: stops = kClasses.endsAt[static_cast<unsigned char>(')')]; return &kind;
      case 53: stops = kClasses.endsAt[static_cast<unsigned char>('(')]; return &portName;
      case 54: stops = kClasses.endsAt[static_cast<unsigned char>(',')]; return &portType;
      case 55: stops = kClasses.endsAt[static_cast<unsigned char>(')')]; return &width;
      case 100:
      case 105: stops = kClasses.endsAt[static_cast<unsigned char>('.')]; return &itemName;
      case 101:
      case 106: stops = kClasses.endsAtSpace; return &portName;
      default: return nullptr;
    }
  }

  // Takes at once, up to `limit`, the characters the current state would
  // take one by one without leaving it: the rest of a comment, or plain
  // characters of a token (as far as the token has room). Returns how many.
  size_t takeTokenRun(BlockInput& in, long limit) {
    if (limit <= 0) return 0;
    size_t n = 0;
    if (state == 2) {
      in.takeRun(kClasses.endsLine, static_cast<size_t>(limit), n);
      return n;
    }
    const bool* stops = nullptr;
    std::string* token = runToken(stops);
    if (!token || token->size() >= static_cast<size_t>(MAX_STR_LEN - 1)) return 0;
    const size_t room = static_cast<size_t>(MAX_STR_LEN - 1) - token->size();
    const char* run = in.takeRun(stops, std::min(room, static_cast<size_t>(limit)), n);
    token->append(run, n);
    return n;
  }

  // Appends `c` to a token; a token longer than MAX_STR_LEN - 1 stops the reading.
  bool append(std::string& token, int c) {
    if (token.size() >= static_cast<size_t>(MAX_STR_LEN - 1)) {
      if (settleLinks()) error("Token longer than %d characters (line %ld)!\n", MAX_STR_LEN - 1, line);
      return false;
    }
    token.push_back(static_cast<char>(c));
    return true;
  }

  void start(std::string& token, int c) {
    token.assign(1, static_cast<char>(c));
  }

  // Converts the width token; false (with a counted error) when it is out of range.
  bool convertWidth(int& bits) {
    long w = std::strtol(width.c_str(), nullptr, 10);
    if (w < 0 || w > MAX_PORT_WIDTH) {
      error("Port width '%s' out of range 0..%ld (line %ld)!\n", width.c_str(), MAX_PORT_WIDTH, line);
      return false;
    }
    if (circuit && circuit->getNPortBits() + w > MAX_CIRCUIT_BITS) {
      error("Circuit has more than %ld port bits (line %ld)!\n", MAX_CIRCUIT_BITS, line);
      return false;
    }
    bits = static_cast<int>(w);
    return true;
  }

  // Looks up the pending LINK endpoints together and adds their links in
  // order; false, after the message of the first that fails, when one does.
  // Every message of the reader comes after this, so messages keep the order
  // of a reading that looks each endpoint up as soon as it is read.
  bool settleLinks() {
    if (batch.empty()) return true;
    if (circuit) batch.resolve(*circuit);
    for (const LinkBatch::Endpoint& e : batch.all()) {
      Port* p = circuit ? e.port : nullptr;
      if (!p) {
        composed.assign(batch.nameOf(e));
        if (circuit) circuit->getPortPtr(composed);  // its message when the item is missing
        error("pointer to %s is NULL (Line %ld)! Please check the port name.\n", composed.c_str(), e.line);
        batch.clear();
        return false;
      }
      if (e.source) {
        source = p;
        continue;
      }
      if (!links.admit(source, p, e.linkLine)) {
        batch.clear();
        return false;
      }
      source->addToPort(p);
    }
    batch.clear();
    return true;
  }

  bool step(int c) {
    switch (state) {
      case 0:
        if (isSpace(c)) return true;
        if (c == '/') {
          state = 1;
          return true;
        }
        if (isAlpha(c)) {
          start(keyword, c);
          state = 3;
          return true;
        }
        if (settleLinks()) error("Alpha-char expected at the beginning of line %ld!\n", line);
        return false;
      case 1:
        if (c == '/') {
          state = 2;
          return true;
        }
        if (settleLinks()) error("'/' expected (line %ld)", line);
        return false;
      case 2:
        if (c == '\n') state = 0;
        return true;
      case 3:
        if (isSpace(c)) {
          state = 4;
          return true;
        }
        return append(keyword, c);
      case 4:
        if (keyword != "LINK" && !settleLinks()) return false;
        if (keyword == "CIR") {
          start(circuitName, c);
          state = 5;
        } else if (keyword == "ITM") {
          start(itemName, c);
          item = nullptr;
          state = 50;
        } else if (keyword == "LINK") {
          start(itemName, c);
          state = 100;
        } else {
          error("Wrong ID at the begining of line %ld! One of these IDs expected: CIR, ITM, LINK\n", line);
          return false;
        }
        return true;
      case 5:
        if (!isSpace(c)) return append(circuitName, c);
        circuit.reset();  // a second CIR line starts a new circuit
        circuit = std::make_unique<Circuit>(circuitName);
        holder = circuit->getIList();
        if (!holder) {
          error("ptr to CIR-item is NULL - can't add '%s' ports!\n", circuitName.c_str());
          return false;
        }
        item = nullptr;
        portName.clear();
        state = 6;
        return true;
      case 6:
        if (c == '(') {
          portType.clear();
          state = 7;
          return true;
        }
        if (c == '\n') {
          state = 0;
          return true;
        }
        if (isSpace(c)) return true;
        return append(portName, c);
      case 7:
        if (c == ',') {
          width.clear();
          state = 8;
          return true;
        }
        return append(portType, c);
      case 8: {
        if (c != ')') return append(width, c);
        port_type t = portTypeOf(portType);
        if (t == P_UNKNOWN) {
          error("State 8: Unknown port type '%s' (line %ld)\n", portType.c_str(), line);
          return false;
        }
        int bits = 0;
        if (!convertWidth(bits)) return false;
        holder->addPort(portName, bits, t);
        portName.clear();
        state = 6;
        return true;
      }
      case 50:
        if (c == '(') {
          kind.clear();
          state = 51;
          return true;
        }
        return append(itemName, c);
      case 51: {
        if (c != ')') return append(kind, c);
        item_type t = itemTypeOf(kind);
        if (t == I_UNKNOWN) {
          error("State 52: Unknown item type '%s' (line %ld)\n", kind.c_str(), line);
          return false;
        }
        if (circuit) item = circuit->addItem(itemName, t);
        state = 52;
        return true;
      }
      case 52:
        if (c == '\n') {
          state = 0;
          if (item) {
            item->makeInnerIpaths();
            return true;
          }
          error("State 52: iptr is NULL. Can't make inner ipaths of item '%s'\n", itemName.c_str());
          return false;
        }
        if (isSpace(c)) return true;
        start(portName, c);
        state = 53;
        return true;
      case 53:
        if (c == '(') {
          portType.clear();
          state = 54;
          return true;
        }
        if (c == '\n') {
          state = 0;
          return true;
        }
        return append(portName, c);
      case 54:
        if (c == ',') {
          width.clear();
          state = 55;
          return true;
        }
        return append(portType, c);
      case 55: {
        if (c != ')') return append(width, c);
        port_type t = portTypeOf(portType);
        if (t == P_UNKNOWN) {
          error("State 55: Unknown port type '%s' (line %ld)\n", portType.c_str(), line);
          return false;
        }
        int bits = 0;
        if (!convertWidth(bits)) return false;
        if (item) item->addPort(portName, bits, t);
        state = 52;
        return true;
      }
      case 100:
        if (c == '.') {
          portName.clear();
          state = 101;
          return true;
        }
        return append(itemName, c);
      case 101:
        if (!isSpace(c)) return append(portName, c);
        if (batch.add(itemName, portName, true, line, line) && !settleLinks()) return false;
        state = 102;
        return true;
      case 102:
        if (c == '-') {
          state = 103;
          return true;
        }
        if (settleLinks()) error("'-' expected (line %ld)", line);
        return false;
      case 103:
        if (c == '>') {
          state = 104;
          return true;
        }
        if (settleLinks()) error("'>' expected (line %ld)", line);
        return false;
      case 104:
        if (isSpace(c)) return true;
        start(itemName, c);
        state = 105;
        return true;
      case 105:
        if (c == '.') {
          portName.clear();
          state = 106;
          return true;
        }
        return append(itemName, c);
      case 106: {
        if (!isSpace(c)) return append(portName, c);
        if (batch.add(itemName, portName, false, line, c == '\n' ? line - 1 : line) && !settleLinks()) return false;
        state = c == '\n' ? 0 : 104;
        return true;
      }
      default:
        return false;
    }
  }

  int state = 0;
  long line = 1;
  std::string keyword, width, portType, portName, itemName, circuitName, kind, composed;
  std::unique_ptr<Circuit> circuit;
  Item* holder = nullptr;
  Item* item = nullptr;
  Port* source = nullptr;
  LinkLimits links;
  LinkBatch batch;  // LINK endpoints read but not yet looked up
};

}  // namespace

std::unique_ptr<Circuit> readCirData(FILE* in) { return readCirData(in, MAX_DESCRIPTION_BYTES); }

std::unique_ptr<Circuit> readCirData(FILE* in, long maxBytes) {
  std::printf("Reading digital circuit data...\n");
  DescriptionReader reader;
  return reader.read(in, maxBytes);
}

// ---------------------------------------------------------------- run flow

namespace {

constexpr int kBannerWidth = 70;

// Prints one framed banner line: '|', the text padded to 68 characters, '|'.
void printFramed(const char* text) {
  std::printf("|%-*s|\n", kBannerWidth - 2, text);
}

// Prints the six-line banner box.
void print_info() {
  const std::string border = "+" + std::string(kBannerWidth - 2, '-') + "+";
  std::printf("%s\n", border.c_str());
  printFramed("  TARVEX (Tool for Register-Transfer Level Testability Analysis");
  printFramed("            and for Automated Design for Testability)");
  printFramed("  Testability analysis and scan layout design for RTL data paths");
  printFramed("  Written by the tarvex developers, 2026");
  std::printf("%s\n", border.c_str());
}

// Reports the missing file name and prints the command line syntax.
void display_help(const char* program) {
  error("Parameter (input file name) missing!\n");
  std::printf("SYNTAX: %s DC_structure_description_file Other_parameters\n", program);
  std::printf("where Other_parameters are:\n");
  std::printf("\t[-n] 0 scan_layout_notation\n");
  std::printf("\tor\n");
  std::printf("\t[-n] 1 scan_type a_over p_over psize elitism maxruns.\n");
  std::printf("Comments:\n");
  std::printf("\t-n disables interactive mode\n");
  std::printf("\tscan_layout_notation or -1 (perform testability analysis only)\n");
  std::printf("\tscan_type equal to 0 means unordered scan, otherwise ordered scan\n");
  std::printf("\taover resp. pover represents max allowed area resp. pin overheads in %%\n");
  std::printf("\tpsize means genetic algorithm population size\n");
  std::printf("\telitism=0 switchs off elitism, other value switchs it on\n");
  std::printf("\tmaxruns means max number of unenhanced genetic algorithm runs allowed\n");
}

bool isHelpRequest(const char* arg) {
  for (const char* h : {"-h", "--h", "-help", "--help", "?", "/?", "/h"})
    if (std::strcmp(arg, h) == 0) return true;
  return false;
}

// Leading decimal number of `s` (0 when there is none), saturated to the int range.
long readNumber(const char* s) {
  long v = std::strtol(s, nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return v;
}

void wrongParameter() { error("SYNTAX ERROR: Wrong parameter given! Please check the syntax.\n"); }

// True when `text` fits a MAX_STR_LEN buffer; otherwise reports it as `what`.
bool fitsBuffer(const char* text, const char* what) {
  if (std::strlen(text) < static_cast<size_t>(MAX_STR_LEN)) return true;
  error("The %s is longer than %d characters!\n", what, MAX_STR_LEN - 1);
  return false;
}

// The decoded command line.
struct Command {
  enum Action { NONE, ANALYSIS, OPTIMISER } action = NONE;
  bool explicitHelp = false;
  bool disableList = false;
  const char* file = nullptr;
  const char* notation = nullptr;
  GaOptions optimiser;  // the solver's run parameters (optimiser form)
};

// Decodes the arguments; reports help and syntax errors (action NONE then).
Command decode(int argc, char* argv[]) {
  Command cmd;
  const int nargs = argc - 1;
  if (nargs == 0) {
    display_help(argv[0]);
    return cmd;
  }
  if (nargs == 1) {
    if (isHelpRequest(argv[1])) {
      cmd.explicitHelp = true;
      display_help(argv[0]);
    } else {
      wrongParameter();
    }
    return cmd;
  }
  if (nargs != 3 && nargs != 4 && nargs != 8 && nargs != 9) {
    error("SYNTAX ERROR: Wrong number of parameters! Please check the syntax.\n");
    return cmd;
  }
  const bool flagged = nargs == 4 || nargs == 9;
  char** rest = argv + (flagged ? 4 : 3);  // the arguments after the mode
  if (flagged) cmd.disableList = std::strcmp(argv[2], "-n") == 0;
  const long mode = readNumber(rest[-1]);
  if (nargs <= 4) {
    if (mode != 0) {
      wrongParameter();
      return cmd;
    }
    cmd.notation = rest[0];
    if (!fitsBuffer(cmd.notation, "scan layout notation")) return cmd;
  } else {
    if (mode != 1) {
      wrongParameter();
      return cmd;
    }
    GaOptions& o = cmd.optimiser;
    o.techniques = readNumber(rest[0]) == 0 ? UNORDERED_SCAN : ORDERED_SCAN;
    o.limits.maxAreaOverhead = static_cast<double>(readNumber(rest[1]));
    o.limits.maxPinOverhead = static_cast<double>(readNumber(rest[2]));
    o.populationSize = static_cast<int>(readNumber(rest[3]));
    o.elitism = readNumber(rest[4]) != 0;
    const long maxRuns = readNumber(rest[5]);
    o.maxUnenhancedRuns = static_cast<unsigned long>(maxRuns);
    if (maxRuns < 0) {  // would never end
      wrongParameter();
      return cmd;
    }
  }
  cmd.file = argv[1];
  if (!fitsBuffer(cmd.file, "input file name")) return cmd;
  cmd.action = nargs <= 4 ? Command::ANALYSIS : Command::OPTIMISER;
  return cmd;
}

// Search for the best scan layout with the genetic algorithm, seeded from the clock.
void runOptimiser(Circuit& circuit, const GaOptions& options, Clock& clock) {
  SeededRandom random(clock.seedFromTime());
  runGA(circuit, options, random);
}

}  // namespace

bool runAnalysis(Circuit& circuit, const std::string& notation, const std::function<void(const ScanLayout&)>& whileApplied) {
  const LayoutRegisters regs(circuit);
  ScanLayout layout;
  if (notation != "-1") {
    // A notation that cannot be applied is reported and leaves no results.
    if (const std::string problem = readLayout(notation, regs, layout); !problem.empty()) {
      error("Wrong scan layout notation '%s' (%s)!\n", notation.c_str(), problem.c_str());
      return false;
    }
    circuit.setNotation(notation);
  }
  const AppliedScanLayout applied(circuit, regs, layout);
  // The drawing needs the structure only, so it is written while the analysis
  // runs; so are the old tables emptied, which are rewritten once it is done.
  circuit.export_graphviz([&circuit] {
    runBeside([&circuit] { emptyAnalysisFiles(circuit); }, [&circuit] { circuit.analyseBothDirections(); });
  });
  const Measures figures = measuresOf(circuit);
  circuit.dumpAnalysisFiles(figures);
  circuit.dumpResults(figures);
  circuit.dumpResults2(figures);
  if (whileApplied) whileApplied(layout);
  return true;
}

int tarvexMain(int argc, char* argv[], InputImporter* importer, Clock& clock) {
  const char* program = argc > 0 ? argv[0] : "tarvex";
  print_info();
  std::printf("%s is running in %s mode\n", program, DEBUG ? "DEBUG" : "NORMAL");

  Command cmd = decode(argc, argv);
  std::unique_ptr<Circuit> circuit;
  if (cmd.action != Command::NONE) {
    std::printf("----------\n");
    std::printf("Opening input file '%s'...\n", cmd.file);
    std::fflush(stdout);
    if (importer && importer->accepts(cmd.file)) {
      circuit = importer->import(cmd.file);
      std::printf("Closing input file '%s'.\n", cmd.file);
    } else {
      FILE* in = std::fopen(cmd.file, "r");
      if (!in) {
        error("Can't open DC description file '%s'!\nExiting...\n", cmd.file);
        std::printf("%s has ended with %ld error(s).\n", program, nerrors);
        return 1;
      }
      circuit = readCirData(in);
      std::printf("Closing input file '%s'.\n", cmd.file);
      std::fclose(in);
    }
    if (circuit && nerrors != 0) circuit.reset();
  }
  if (circuit) {
    if (cmd.action == Command::ANALYSIS)
      runAnalysis(*circuit, cmd.notation);
    else
      runOptimiser(*circuit, cmd.optimiser, clock);
  }
  circuit.reset();

  if (nerrors)
    std::printf("%s ended with %ld error(s).\n", program, nerrors);
  else
    std::printf("%s has ended with no errors.\n", program);
  if (!cmd.disableList) {
    std::printf("\nPress ENTER to finish the program\n");
    std::fflush(stdout);
    (void)std::getchar();
  }
  return cmd.explicitHelp || nerrors == 0 ? 0 : 1;
}
