#include "Log/SpoolRecord.h"

#include <string.h>

namespace {

const char MAGIC[4] = {'a', 'R', 'v', 'R'};
// Far above any entry (a text of 1 GiB in UTF-16 and its line): a length
// beyond it is a torn or foreign header.
const size_t LONGEST_PAYLOAD = 0x7FFFFFF0;

void Put32(std::vector<char>& out, unsigned long value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}
void Put64(std::vector<char>& out, unsigned long long value) {
    Put32(out, static_cast<unsigned long>(value & 0xFFFFFFFF));
    Put32(out, static_cast<unsigned long>(value >> 32));
}
void PutBytes(std::vector<char>& out, const void* data, size_t size) {
    Put32(out, static_cast<unsigned long>(size));
    const char* bytes = static_cast<const char*>(data);
    out.insert(out.end(), bytes, bytes + size);
}
void PutWide(std::vector<char>& out, const basic_text<wchar_t>& text) {
    PutBytes(out, text.c_str() ? text.c_str() : L"", text.length() * sizeof(wchar_t));
}
void PutNarrow(std::vector<char>& out, const string& text) {
    PutBytes(out, text.c_str() ? text.c_str() : "", text.length());
}

unsigned long Get32(const char* at) {
    unsigned long value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(at[i]);
    return value;
}

// Reads the payload's fields in order; any that would run past its end
// makes the whole record unsound.
class Reader {
public:
    Reader(const char* at, size_t size) : at_(at), left_(size) {}
    bool ok() const { return ok_; }
    bool done() const { return ok_ && left_ == 0; }
    unsigned long U32() {
        if (!Take(4)) return 0;
        return Get32(at_ - 4);
    }
    unsigned long long U64() {
        unsigned long long low = U32();
        return low | (static_cast<unsigned long long>(U32()) << 32);
    }
    const char* Bytes(size_t& size) {
        size = U32();
        if (!Take(size)) return nullptr;
        return at_ - size;
    }
    basic_text<wchar_t> Wide(bool keep = true) {
        size_t size = 0;
        const char* bytes = Bytes(size);
        if (!keep) {
            if (size % sizeof(wchar_t)) ok_ = false;
            return basic_text<wchar_t>();
        }
        if (!bytes || size % sizeof(wchar_t)) {
            ok_ = false;
            return basic_text<wchar_t>(L"");
        }
        std::vector<wchar_t> units(size / sizeof(wchar_t) + 1, 0);
        memcpy(units.data(), bytes, size);
        return basic_text<wchar_t>(units.data(), size / sizeof(wchar_t));
    }
    string Narrow() {
        size_t size = 0;
        const char* bytes = Bytes(size);
        return bytes ? string(bytes, size) : string("");
    }

private:
    bool Take(size_t size) {
        if (!ok_ || size > left_) return ok_ = false;
        at_ += size;
        left_ -= size;
        return true;
    }
    const char* at_;
    size_t left_;
    bool ok_ = true;
};

}  // namespace

unsigned long SpoolCrc32(const void* data, size_t size) {
    static unsigned long table[256];
    static volatile LONG made = 0;
    if (!made) {
        // The same table from every thread: a race only writes equal values.
        for (unsigned long n = 0; n < 256; ++n) {
            unsigned long c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320UL ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        InterlockedExchange(&made, 1);
    }
    unsigned long crc = 0xFFFFFFFFUL;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFUL;
}

void EncodeSpoolRecord(const SpoolRecord& record, std::vector<char>& out) {
    size_t start = out.size();
    out.reserve(start + 64 + (record.entry.computer.length() + record.entry.user.length() + record.entry.text.length()) * 2 +
                record.path.length() + record.line.length());
    out.insert(out.end(), MAGIC, MAGIC + 4);
    Put32(out, 0);  // length and checksum, once the payload is there
    Put32(out, 0);
    const LogEntry& entry = record.entry;
    Put64(out, entry.sequence);
    Put32(out, (record.json ? 1 : 0) | (record.toCollector ? 2 : 0));
    PutBytes(out, &entry.time, sizeof entry.time);
    Put32(out, static_cast<unsigned long>(entry.utcOffsetMinutes));
    Put32(out, entry.pid);
    Put32(out, entry.limit);
    PutWide(out, entry.computer);
    PutWide(out, entry.user);
    PutWide(out, entry.text);
    PutNarrow(out, record.path);
    PutNarrow(out, record.line);
    size_t length = out.size() - start - SPOOL_RECORD_HEADER;
    unsigned long crc = SpoolCrc32(out.data() + start + SPOOL_RECORD_HEADER, length);
    for (int i = 0; i < 4; ++i) {
        out[start + 4 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
        out[start + 8 + i] = static_cast<char>((crc >> (8 * i)) & 0xFF);
    }
}

size_t SpoolRecordLength(const char* header) {
    if (memcmp(header, MAGIC, 4) != 0) return 0;
    size_t length = Get32(header + 4);
    return length <= LONGEST_PAYLOAD ? length : 0;
}

size_t DecodeSpoolRecord(const char* data, size_t size, SpoolRecord& record, bool names) {
    if (size < SPOOL_RECORD_HEADER) return 0;
    size_t length = SpoolRecordLength(data);
    if (!length || length > size - SPOOL_RECORD_HEADER) return 0;
    const char* payload = data + SPOOL_RECORD_HEADER;
    if (SpoolCrc32(payload, length) != Get32(data + 8)) return 0;
    Reader in(payload, length);
    LogEntry& entry = record.entry;
    entry.sequence = in.U64();
    unsigned long flags = in.U32();
    record.json = (flags & 1) != 0;
    record.toCollector = (flags & 2) != 0;
    size_t timeSize = 0;
    const char* time = in.Bytes(timeSize);
    if (time && timeSize == sizeof entry.time) memcpy(&entry.time, time, sizeof entry.time);
    entry.utcOffsetMinutes = static_cast<LONG>(in.U32());
    entry.pid = in.U32();
    entry.limit = in.U32();
    entry.computer = in.Wide(names);
    entry.user = in.Wide(names);
    entry.text = in.Wide(names);
    record.path = in.Narrow();
    record.line = in.Narrow();
    if (!in.done() || timeSize != sizeof entry.time) return 0;
    return SPOOL_RECORD_HEADER + length;
}
