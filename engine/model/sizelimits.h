// Sizes beyond which a description is refused with a counted error instead
// of exhausting memory or time, and the reader's bookkeeping of them.
#pragma once

class Diagnostics;
class Port;

// Largest accepted port width, in bits.
inline constexpr long MAX_PORT_WIDTH = 65536;
// Largest accepted number of port bits in one circuit.
inline constexpr long MAX_CIRCUIT_BITS = 100000000;
// Largest description read, in bytes (512 MiB).
inline constexpr long MAX_DESCRIPTION_BYTES = 512L * 1024 * 1024;
// Most links that may leave one port, and most that may enter one port.
inline constexpr long MAX_LINKS_PER_PORT = 1000000;
// Most links in one circuit.
inline constexpr long MAX_CIRCUIT_LINKS = 50000000;

// Counts the links a description makes in total; the ports count their own.
class LinkLimits {
 public:
  // Counts the link from -> to; false (with a counted error naming `line`)
  // when it would pass a limit, in which case it is not counted.
  bool admit(const Port* from, const Port* to, long line, Diagnostics& diagnostics);

 private:
  long total_ = 0;
};
