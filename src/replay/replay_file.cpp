#include "replay/replay_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "base/file_names.h"

namespace {

// Bytes as they are: Windows would otherwise turn every 0x0A into 0x0D 0x0A.
#ifdef _WIN32
constexpr int ReplayOpenFlags = O_WRONLY | O_CREAT | O_TRUNC | O_BINARY;
#else
constexpr int ReplayOpenFlags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
#endif

// Moves are coded from the last recorded pointer position; both sides start here.
struct Pointer {
  int x = 0;
  int y = 0;
};

// What an event kind stores besides its code: up to two numbers in 0..max.
struct EventField {
  const char* name = nullptr;
  int max = 0;
};
struct EventLayout {
  EventField a, b;
};

EventLayout LayoutOf(EventKind kind) {
  switch (kind) {
    case EventKind::KeyDown:
    case EventKind::KeyUp: return {{"key code", MaxKeyCode}, {}};
    case EventKind::PointerMove: return {{"pointer x", MaxPointerOrSize}, {"pointer y", MaxPointerOrSize}};
    case EventKind::ButtonDown:
    case EventKind::ButtonUp: return {{"button", ButtonRight}, {}};
    case EventKind::Activate: return {{"activate flag", 1}, {}};
    case EventKind::Size: return {{"width", MaxPointerOrSize}, {"height", MaxPointerOrSize}};
    case EventKind::Close:
    case EventKind::Quit: break;
  }
  return {};
}

bool IsEventCode(int code) { return code >= 1 && code <= EventKindCount; }

struct Field {
  const char* name;  // null: the record has no such field
  int64_t value;
  int64_t max;
};

std::string FirstFieldOutOfRange(std::initializer_list<Field> fields) {
  for (const Field& f : fields)
    if (f.name && (f.value < 0 || f.value > f.max))
      return std::string(f.name) + " " + std::to_string(f.value) + " out of range (0.." + std::to_string(f.max) + ")";
  return "";
}

// Empty when the writer can code `record` and the reader would take it back.
std::string RecordProblem(const ReplayRecord& record) {
  switch (record.kind) {
    case RecordKind::Event: {
      const HostEvent& e = record.event;
      if (!IsEventCode(static_cast<int>(e.kind))) return "unknown event kind " + std::to_string(int(e.kind));
      const EventLayout layout = LayoutOf(e.kind);
      return FirstFieldOutOfRange({{layout.a.name, e.a, layout.a.max}, {layout.b.name, e.b, layout.b.max}});
    }
    case RecordKind::KeyAnswer:
      return FirstFieldOutOfRange({{"query", record.query, MaxKeyQuery},
                                   {"key code", record.key, MaxKeyCode},
                                   {"answer", record.answer, 1}});
    case RecordKind::KeySample:
      return FirstFieldOutOfRange({{"key code", record.key, MaxKeyCode}, {"answer", record.answer, 1}});
    case RecordKind::PassEnd:
      return record.passes >= 1 && record.passes <= INT32_MAX ? "" : "pass count " + std::to_string(record.passes);
    case RecordKind::Clock:
    case RecordKind::End: return "";
  }
  return "unknown record kind " + std::to_string(int(record.kind));
}

bool IsPrintable(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

// ---- Encoding ----

void PutVarint(std::vector<uint8_t>& out, uint32_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<uint8_t>(0x80 | (value & 0x7F)));
    value >>= 7;
  }
  out.push_back(static_cast<uint8_t>(value));
}

// Small moves either way become small numbers: 0, -1, 1, -2 ... as 0, 1, 2, 3 ...
uint32_t Zigzag(int delta) { return delta >= 0 ? 2u * uint32_t(delta) : 2u * uint32_t(-int64_t(delta)) - 1; }
int64_t Unzigzag(uint32_t code) { return (code & 1) ? -int64_t(code >> 1) - 1 : int64_t(code >> 1); }

void PutEvent(const HostEvent& e, std::vector<uint8_t>& out, Pointer& pointer) {
  out.push_back(static_cast<uint8_t>(e.kind));
  if (e.kind == EventKind::PointerMove) {
    PutVarint(out, Zigzag(e.a - pointer.x));
    PutVarint(out, Zigzag(e.b - pointer.y));
    pointer = {e.a, e.b};
    return;
  }
  const EventLayout layout = LayoutOf(e.kind);
  if (layout.a.name) PutVarint(out, uint32_t(e.a));
  if (layout.b.name) PutVarint(out, uint32_t(e.b));
}

// Events, key answers and clocks; pass ends and the end mark are the writer's.
void PutRecord(const ReplayRecord& record, std::vector<uint8_t>& out, Pointer& pointer) {
  switch (record.kind) {
    case RecordKind::Event: PutEvent(record.event, out, pointer); break;
    case RecordKind::KeyAnswer:
      out.push_back(ReplayKeyAnswerCode);
      PutVarint(out, uint32_t(record.query));
      PutVarint(out, uint32_t(record.key));
      PutVarint(out, uint32_t(record.answer));
      break;
    case RecordKind::KeySample:
      out.push_back(ReplayKeySampleCode);
      PutVarint(out, uint32_t(record.key));
      PutVarint(out, uint32_t(record.answer));
      break;
    case RecordKind::Clock:
      out.push_back(ReplayClockCode);
      for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(record.clock >> shift));
      break;
    case RecordKind::PassEnd:
    case RecordKind::End: break;
  }
}

// ---- Writer ----

struct Writer {
  int fd = -1;
  std::string path;
  std::vector<uint8_t> buffer;
  int64_t pending_passes = 0;  // idle passes not yet coded as runs
  int64_t passes_since_flush = 0;
  Pointer pointer;
  bool failed = false;
  std::string failure;
};

Writer writer;

void FailWriter(const std::string& why) {
  writer.failed = true;
  writer.failure = writer.path + ": " + why;
  writer.buffer.clear();
  writer.pending_passes = 0;
}

void PutPendingPasses() {
  while (writer.pending_passes > 0) {
    const int run = static_cast<int>(std::min<int64_t>(writer.pending_passes, MaxPassRun));
    writer.buffer.push_back(static_cast<uint8_t>(ReplayPassRunCode + run - 1));
    writer.pending_passes -= run;
  }
}

bool WriteAll(int fd, const uint8_t* data, size_t size, std::string& why) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      why = written < 0 ? std::strerror(errno) : "the system wrote nothing";
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

void Flush() {
  PutPendingPasses();
  std::string why;
  if (!WriteAll(writer.fd, writer.buffer.data(), writer.buffer.size(), why)) FailWriter("cannot write: " + why);
  writer.buffer.clear();
  writer.passes_since_flush = 0;
}

// The buffer and the passes still counting, with the open ones, go out at
// the file's end as Flush would code them; the write position stays before
// them, so nothing the writer holds changes, and the next Flush writes the
// same bytes or more over them (the buffer only grows until then, the open
// passes join those counting, and more passes take no fewer bytes).
void FlushAhead(int64_t open_passes) {
  std::vector<uint8_t> ahead = writer.buffer;
  for (int64_t left = writer.pending_passes + open_passes; left > 0; left -= MaxPassRun)
    ahead.push_back(static_cast<uint8_t>(ReplayPassRunCode + std::min<int64_t>(left, MaxPassRun) - 1));
  const off_t end = ::lseek(writer.fd, 0, SEEK_CUR);
  std::string why;
  if (end < 0 || !WriteAll(writer.fd, ahead.data(), ahead.size(), why) || ::lseek(writer.fd, end, SEEK_SET) != end)
    FailWriter("cannot write: " + (why.empty() ? std::string(std::strerror(errno)) : why));
}

// ---- Reader ----

// Walks the bytes; running out inside a record marks the file cut, a
// number that cannot be one marks it damaged.
struct ByteReader {
  const uint8_t* bytes;
  size_t size;
  size_t pos = 0;
  bool cut = false;
  std::string problem;

  uint8_t Byte() {
    if (pos >= size) {
      cut = true;
      return 0;
    }
    return bytes[pos++];
  }
  uint32_t Varint() {
    uint32_t value = 0;
    for (int i = 0; i < MaxVarintBytes; ++i) {
      const uint8_t b = Byte();
      value |= uint32_t(b & 0x7F) << (7 * i);
      if (!(b & 0x80) || cut) return value;
    }
    problem = "number longer than " + std::to_string(MaxVarintBytes) + " bytes";
    return 0;
  }
};

void ReadEvent(EventKind kind, ByteReader& in, const Pointer& pointer, HostEvent& e) {
  e.kind = kind;
  if (kind == EventKind::PointerMove) {
    // Checked against 0..65535 with the record, so the deltas cannot overflow an int.
    e.a = static_cast<int>(pointer.x + Unzigzag(in.Varint()));
    e.b = static_cast<int>(pointer.y + Unzigzag(in.Varint()));
    return;
  }
  const EventLayout layout = LayoutOf(kind);
  if (layout.a.name) e.a = static_cast<int>(in.Varint());
  if (layout.b.name) e.b = static_cast<int>(in.Varint());
}

// The record whose code was just read (not the end mark), in a file of `version`.
void ReadRecord(uint8_t code, int version, ByteReader& in, const Pointer& pointer, ReplayRecord& record) {
  if (code >= ReplayPassRunCode) {
    record.kind = RecordKind::PassEnd;
    record.passes = code - ReplayPassRunCode + 1;
  } else if (IsEventCode(code)) {
    record.kind = RecordKind::Event;
    ReadEvent(static_cast<EventKind>(code), in, pointer, record.event);
  } else if (code == ReplayKeyAnswerCode) {
    record.kind = RecordKind::KeyAnswer;
    record.query = static_cast<int>(in.Varint());
    record.key = static_cast<int>(in.Varint());
    record.answer = static_cast<int>(in.Varint());
  } else if (code == ReplayKeySampleCode && version >= 2) {
    record.kind = RecordKind::KeySample;
    record.key = static_cast<int>(in.Varint());
    record.answer = static_cast<int>(in.Varint());
  } else if (code == ReplayClockCode) {
    record.kind = RecordKind::Clock;
    for (int shift = 0; shift < 32; shift += 8) record.clock |= uint32_t(in.Byte()) << shift;
  } else {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02x", code);
    in.problem = std::string("unknown record ") + hex;
  }
}

bool Refuse(std::string& error, const std::string& name, const std::string& what) {
  error = name + ": " + what;
  return false;
}

std::string At(size_t byte) { return "byte " + std::to_string(byte) + ": "; }

std::string Bytes(size_t count) { return std::to_string(count) + (count == 1 ? " byte" : " bytes"); }

bool ReadHeader(ByteReader& in, const std::string& name, Replay& replay, std::string& error) {
  const size_t magic = std::min(in.size, sizeof ReplayMagic);
  if (in.size == 0 || std::memcmp(in.bytes, ReplayMagic, magic) != 0) return Refuse(error, name, "not a replay file");
  in.pos = magic;
  const int version = in.Byte();
  if (!in.cut && (version < OldestReplayFormatVersion || version > ReplayFormatVersion))
    return Refuse(error, name,
                  "format version " + std::to_string(version) + "; this game reads versions " +
                      std::to_string(OldestReplayFormatVersion) + " to " + std::to_string(ReplayFormatVersion));
  replay.format_version = version;
  const size_t length_at = in.pos;
  const size_t length = in.Byte();
  if (!in.cut && length > MaxGameVersionLength)
    return Refuse(error, name,
                  At(length_at) + "game version of " + Bytes(length) + " (at most " +
                      std::to_string(MaxGameVersionLength) + ")");
  if (in.cut || in.size - in.pos < length)
    return Refuse(error, name, "cut short inside its header (after " + Bytes(in.size) + ")");
  replay.game_version.assign(reinterpret_cast<const char*>(in.bytes + in.pos), length);
  if (!IsPrintable(replay.game_version)) return Refuse(error, name, At(in.pos) + "game version is not printable text");
  in.pos += length;
  return true;
}

// Adds a record; idle passes in a row become one PassEnd record.
void Append(Replay& replay, const ReplayRecord& record) {
  if (record.kind == RecordKind::PassEnd) {
    replay.passes += record.passes;
    if (!replay.records.empty() && replay.records.back().kind == RecordKind::PassEnd) {
      replay.records.back().passes += record.passes;
      return;
    }
  }
  replay.records.push_back(record);
}

}  // namespace

bool OpenReplayFile(const std::string& path, const std::string& game_version, std::string& error) {
  if (writer.fd >= 0) return Refuse(error, path, "cannot record: the replay " + writer.path + " is still open");
  if (game_version.size() > MaxGameVersionLength || !IsPrintable(game_version))
    return Refuse(error, path,
                  "the game version must be printable text of at most " + std::to_string(MaxGameVersionLength) +
                      " characters");
  const int fd = OpenFileDescriptor(path, ReplayOpenFlags, 0644);
  if (fd < 0) return Refuse(error, path, std::string("cannot create the replay file: ") + std::strerror(errno));
  writer = Writer{};
  writer.fd = fd;
  writer.path = path;
  writer.buffer.assign(std::begin(ReplayMagic), std::end(ReplayMagic));
  writer.buffer.push_back(ReplayFormatVersion);
  writer.buffer.push_back(static_cast<uint8_t>(game_version.size()));
  writer.buffer.insert(writer.buffer.end(), game_version.begin(), game_version.end());
  // The header goes out at once: a full disk is said now, not a second later.
  Flush();
  if (!writer.failed) return true;
  error = writer.failure;
  ::close(fd);
  writer = Writer{};
  return false;
}

void WriteReplayRecord(const ReplayRecord& record) {
  if (writer.fd < 0 || writer.failed) return;
  if (record.kind == RecordKind::End) {
    CloseReplayFile();
    return;
  }
  if (const std::string problem = RecordProblem(record); !problem.empty()) {
    FailWriter("record refused: " + problem);
    return;
  }
  if (record.kind != RecordKind::PassEnd) {
    PutPendingPasses();
    PutRecord(record, writer.buffer, writer.pointer);
    return;
  }
  writer.pending_passes += record.passes;
  writer.passes_since_flush += record.passes;
  if (writer.passes_since_flush >= FlushEveryPasses || writer.buffer.size() >= FlushBufferBytes) Flush();
}

void CloseReplayFile() {
  if (writer.fd < 0) return;
  if (!writer.failed) {
    PutPendingPasses();
    writer.buffer.push_back(ReplayEndCode);
    Flush();
  }
  if (::close(writer.fd) != 0 && !writer.failed) FailWriter(std::string("cannot close: ") + std::strerror(errno));
  writer.fd = -1;
}

void FlushReplayFile(int64_t open_passes) {
  if (writer.fd >= 0 && !writer.failed) FlushAhead(open_passes);
}

bool ReplayFileFailed() { return writer.failed; }

const std::string& ReplayFileFailure() { return writer.failure; }

bool ParseReplay(const uint8_t* bytes, size_t size, const std::string& name, Replay& replay, std::string& error) {
  replay = Replay{};
  ByteReader in{bytes, size, 0, false, {}};
  if (!ReadHeader(in, name, replay, error)) return false;
  Pointer pointer;
  size_t kept_bytes = in.pos;
  size_t kept_records = 0;
  while (in.pos < size) {
    const size_t at = in.pos;
    const uint8_t code = in.Byte();
    if (code == ReplayEndCode) {
      if (in.pos < size)
        return Refuse(error, name, At(in.pos) + Bytes(size - in.pos) + " after the end mark");
      replay.complete = true;
      return true;
    }
    ReplayRecord record;
    ReadRecord(code, replay.format_version, in, pointer, record);
    if (in.problem.empty() && !in.cut) in.problem = RecordProblem(record);
    if (!in.problem.empty()) return Refuse(error, name, At(at) + in.problem);
    if (in.cut) break;
    if (record.kind == RecordKind::Event && record.event.kind == EventKind::PointerMove)
      pointer = {record.event.a, record.event.b};
    Append(replay, record);
    if (record.kind == RecordKind::PassEnd) {
      kept_bytes = in.pos;
      kept_records = replay.records.size();
    }
  }
  // Cut short: only whole passes replay.
  replay.records.resize(kept_records);
  replay.cut_note = name + ": ends at pass " + std::to_string(replay.passes) + " (byte " + std::to_string(kept_bytes) +
                    " of " + std::to_string(size) + ") without its end mark: the game did not close it";
  return true;
}

bool ReadReplayFile(const std::string& path, Replay& replay, std::string& error) {
  std::vector<uint8_t> bytes;
  return ReadReplayBytes(path, bytes, error) && ParseReplay(bytes.data(), bytes.size(), path, replay, error);
}

bool ReadReplayBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
  std::FILE* file = OpenFile(path, "rb");
  if (!file) return Refuse(error, path, std::string("cannot open: ") + std::strerror(errno));
  bytes.clear();
  uint8_t chunk[1 << 16];
  size_t got = 0;
  while (bytes.size() <= MaxReplayFileBytes && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  const int read_errno = errno;
  const bool read_failed = std::ferror(file);
  std::fclose(file);
  if (read_failed) return Refuse(error, path, std::string("cannot read: ") + std::strerror(read_errno));
  if (bytes.size() > MaxReplayFileBytes)
    return Refuse(error, path, "larger than " + std::to_string(MaxReplayFileBytes) + " bytes: not a replay this game wrote");
  return true;
}
