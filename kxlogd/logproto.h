// The record stream on TCP port 257 between a collector and a log server.
//
// After connecting, the client writes one version word and authenticates
// for the command "log" (control.map). Then it writes records exactly as a
// log file stores them: the 16-byte header, then the data. The server writes
// back four zero bytes when it wants the client to describe itself again
// (interface list and log-info records).
//
// A client that sends the acknowledging version word also gets, after the
// server has appended what it read, the acknowledgement word followed by the
// number of records taken from it so far (modulo 2^32). A collector keeps
// each record until it is acknowledged, so that none is lost when a server
// goes away: what was not acknowledged is sent again or kept locally.
//
// The resuming version does all that and more: after authenticating, the
// client sends its 64-bit client number; the server answers with the resume
// word, its book number and the number of the last record of that client it
// holds (all 64-bit, big-endian). The records of the connection are numbered
// on from there, one by one. A client that lost its server without the
// acknowledgement of some records learns at its next connection which of
// them the server wrote (its book survives a killed server) and sends only
// the rest, so that every record is written exactly once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kxlogd {

inline constexpr int LOG_PORT = 257;
inline constexpr uint32_t LOG_VERSION = 0x12000000;     // the protocol's version word
inline constexpr uint32_t LOG_VERSION_ACK = 0x12000001; // the same, asking for acknowledgements
inline constexpr uint32_t LOG_VERSION_RESUME = 0x12000002; // acknowledgements and resuming
inline constexpr uint32_t LOG_ACK_WORD = 0x41434B4E;    // "ACKN"
inline constexpr uint32_t LOG_RESUME_WORD = 0x5253554D; // "RSUM"
inline constexpr size_t LOG_REQUEST_SIZE = 4;           // four zero bytes
inline constexpr size_t LOG_ACK_SIZE = 8;
inline constexpr size_t LOG_RESUME_SIZE = 20; // the word, the book, the last record

} // namespace kxlogd
