#include "Log/LogSpool.h"

#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <memory>

#include <exceptions.h>
#include <fwbase/Format.h>

#include "Files/FileName.h"

// RtlGenRandom, the system's random bytes (advapi32).
extern "C" BOOLEAN WINAPI SystemFunction036(PVOID buffer, ULONG length);

namespace {

const char CONTROL_MAGIC[4] = {'a', 'R', 'v', 'C'};
const DWORD SLOT = 64;
const DWORD SLOT_BYTES = 4 + 8 + 8 * 2 * LogSpool::Destinations + 4;

void Put64(char* at, unsigned long long value) {
    for (int i = 0; i < 8; ++i) at[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}
unsigned long long Get64(const char* at) {
    unsigned long long value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(at[i]);
    return value;
}

OVERLAPPED At(unsigned long long offset) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

// Writes size bytes at offset of a file; 0 or the system's error.
DWORD WriteAt(HANDLE file, unsigned long long offset, const char* data, size_t size) {
    while (size > 0) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size), written = 0;
        OVERLAPPED at = At(offset);
        if (!WriteFile(file, data, chunk, &written, &at)) return GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        data += written;
        size -= written;
        offset += written;
    }
    return 0;
}

// Writes size bytes at the file's position; 0 or the system's error.
DWORD WriteAll(HANDLE file, const char* data, size_t size) {
    while (size > 0) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size), written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr)) return GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        data += written;
        size -= written;
    }
    return 0;
}

// Reads a segment's records in order from a buffer of 64 KiB or more: one
// read for many records.
class SegmentReader {
public:
    // end: where the whole records end (~0: the file's end).
    SegmentReader(HANDLE file, unsigned long long end) : file_(file), end_(end) {}

    // The record at offset, and its size; 0 when no whole, sound record
    // starts there.
    size_t Next(unsigned long long offset, SpoolRecord& record, bool names = true) {
        if (!Have(offset, SPOOL_RECORD_HEADER)) return 0;
        size_t length = SpoolRecordLength(At(offset));
        if (!length || !Have(offset, SPOOL_RECORD_HEADER + length)) return 0;
        return DecodeSpoolRecord(At(offset), SPOOL_RECORD_HEADER + length, record, names);
    }

private:
    const char* At(unsigned long long offset) const { return bytes_.data() + (offset - start_); }
    // Whether size bytes from offset are in the buffer, read when not.
    bool Have(unsigned long long offset, size_t size) {
        if (offset >= start_ && offset + size <= start_ + filled_) return true;
        if (offset + size > end_) return false;
        size_t want = std::max<size_t>(size, 64 << 10);
        if (end_ - offset < want) want = static_cast<size_t>(end_ - offset);
        bytes_.resize(want);
        DWORD read = 0;
        OVERLAPPED at = At64(offset);
        start_ = offset;
        filled_ = 0;
        while (filled_ < want) {
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(want - filled_, 0x40000000));
            at = At64(offset + filled_);
            if (!ReadFile(file_, bytes_.data() + filled_, chunk, &read, &at) || read == 0) break;
            filled_ += read;
        }
        return size <= filled_;
    }
    static OVERLAPPED At64(unsigned long long offset) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        return at;
    }

    HANDLE file_;
    unsigned long long end_;
    std::vector<char> bytes_;
    unsigned long long start_ = 0;
    size_t filled_ = 0;
};

std::string FreshId() {
    unsigned char bytes[16] = {};
    if (!SystemFunction036(bytes, sizeof bytes)) {
        // Never seen to fail; the time and the process still keep ids apart.
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        DWORD parts[4] = {now.dwLowDateTime, now.dwHighDateTime, GetCurrentProcessId(), GetTickCount()};
        memcpy(bytes, parts, sizeof bytes);
    }
    char hex[33];
    for (int i = 0; i < 16; ++i) sprintf(hex + 2 * i, "%02x", bytes[i]);
    return std::string(hex, 32);
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// The folder and those above it, made when missing.
DWORD MakeFolders(const std::wstring& folder) {
    if (CreateDirectoryW(folder.c_str(), nullptr)) return 0;
    DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) return 0;
    if (error != ERROR_PATH_NOT_FOUND) return error;
    size_t cut = folder.find_last_of(L'\\');
    if (cut == std::wstring::npos || cut == 0) return error;
    if (DWORD above = MakeFolders(folder.substr(0, cut))) return above;
    if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    return GetLastError();
}

bool IsId(const std::wstring& text) {
    if (text.size() != 32) return false;
    for (wchar_t c : text)
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
    return true;
}

}  // namespace

void ThrowSpoolWriteError(DWORD error, const std::wstring& file) {
    throw KLAppException(FormatBuffer(128, "Не удалось записать очередь журнала (ошибка %lu): ", error) +
                         AnsiName(file.c_str()).c_str());
}

std::wstring SpoolFolder() {
    wchar_t local[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local))) {
        // Without a profile folder the spool lies beside the temporary files.
        GetTempPathW(MAX_PATH, local);
    }
    std::wstring folder = local;
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder + L"\\aRvik\\Spool";
}

LogSpool::LogSpool(const std::wstring& folder, unsigned long long bound)
    : folder_(folder), id_(FreshId()), bound_(bound) {}

LogSpool::LogSpool(const std::wstring& folder, const std::string& id, HANDLE control)
    : folder_(folder), id_(id), bound_(~0ULL), control_(control), sealed_(true) {}

LogSpool::~LogSpool() {}

void LogSpool::SetBound(unsigned long long bound) {
    Trevan::Lock hold(lock_);
    bound_ = bound;
}

std::wstring LogSpool::ControlName() const { return folder_ + L"\\" + Wide(id_) + L".spool"; }

std::wstring LogSpool::SegmentName(unsigned number) const {
    wchar_t digits[16];
    swprintf(digits, 16, L".%08x.seg", number);
    return folder_ + L"\\" + Wide(id_) + digits;
}

// Under lock_. The control file first: a segment is never without the file
// that says whose it is.
void LogSpool::Start() {
    std::wstring name = ControlName();
    if (DWORD error = MakeFolders(folder_)) ThrowSpoolWriteError(error, name);
    HANDLE control = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (control == INVALID_HANDLE_VALUE) ThrowSpoolWriteError(GetLastError(), name);
    control_.Reset(control);
    // Nobody saves before the control file is there: no need of saveLock_.
    char slot[SLOT];
    FillSlot(slot);
    if (DWORD error = WriteAt(control_.get(), (generation_ % 2) * SLOT, slot, SLOT)) ThrowSpoolWriteError(error, name);
}

// Under lock_.
void LogSpool::NewSegment() {
    // Never a number used before: the file of a dropped one may still be
    // there, to be deleted.
    unsigned number = ++lastNumber_;
    std::wstring name = SegmentName(number);
    HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) ThrowSpoolWriteError(GetLastError(), name);
    current_.Reset(file);
    Segment segment;
    segment.number = number;
    segments_.push_back(segment);
    sealed_ = false;
}

void LogSpool::Append(SpoolRecord& record) {
    std::vector<unsigned> gone;
    Write(record, gone);
    if (gone.empty()) return;
    // The dropped ones' count is kept at once; should that fail, by the
    // next save: the entry is in the spool either way.
    Save();
    Delete(gone);
}

void LogSpool::Write(SpoolRecord& record, std::vector<unsigned>& gone) {
    Trevan::Lock hold(lock_);
    if (!control_) Start();
    record.entry.spoolId = id_.c_str();
    record.entry.sequence = next_;
    encoded_.clear();
    EncodeSpoolRecord(record, encoded_);
    const unsigned long long size = encoded_.size();
    // The oldest go first, whole segments, until the entry fits; an entry
    // larger than the bound still takes a segment of its own.
    while (total_ + size > bound_ && total_ > 0) gone.push_back(DropOldest());
    // Segments of an eighth of the bound (64 KiB to 4 MiB) keep what a
    // drop takes small and the files few.
    const unsigned long long longest = std::min<unsigned long long>(std::max<unsigned long long>(bound_ / 8, 64 << 10), 4 << 20);
    if (sealed_ || segments_.empty() || (segments_.back().size > 0 && segments_.back().size + size > longest))
        NewSegment();
    Segment& segment = segments_.back();
    // At the file's position, its end: a write with a position of its own
    // costs a server request more under Wine. After a write that failed,
    // perhaps halfway, the segment takes no more: the next entry starts
    // another, and what follows the whole records is never read.
    if (DWORD error = WriteAll(current_.get(), encoded_.data(), encoded_.size())) {
        current_.Close();
        sealed_ = true;
        ThrowSpoolWriteError(error, SegmentName(segment.number));
    }
    segment.size += size;
    total_ += size;
    if (!segment.first) segment.first = next_;
    segment.last = next_++;
}

// Under lock_: the oldest segment goes (its number returned, its file for
// the caller to delete), and what it held that a destination had not taken
// is counted as dropped for it.
unsigned LogSpool::DropOldest() {
    Segment oldest = segments_.front();
    if (segments_.size() == 1) {
        current_.Close();
        sealed_ = true;
    }
    for (int to = 0; to < Destinations; ++to) {
        if (!oldest.first || progress_.taken[to] >= oldest.last) continue;
        unsigned long long from = std::max(progress_.taken[to], oldest.first - 1);
        progress_.dropped[to] += oldest.last - from;
        progress_.taken[to] = oldest.last;
    }
    total_ -= oldest.size;
    segments_.erase(segments_.begin());
    return oldest.number;
}

void LogSpool::Pending(Destination to, size_t most, std::vector<SpoolRecord>& records,
                       unsigned long long& dropped) {
    records.clear();
    std::vector<Cursor>& after = after_[to];
    after.clear();
    std::vector<Segment> segments;
    unsigned long long taken;
    Cursor at;
    {
        Trevan::Lock hold(lock_);
        taken = progress_.taken[to];
        dropped = progress_.dropped[to];
        at = cursor_[to];
        for (const Segment& segment : segments_)
            if (segment.number >= at.segment && segment.first && segment.last > taken) segments.push_back(segment);
    }
    for (const Segment& segment : segments) {
        // Opened for each look: a segment may go while it is read (its
        // entries dropped), and stays readable until closed.
        KernelHandle file(CreateFileW(SegmentName(segment.number).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) continue;
        unsigned long long offset = segment.number == at.segment ? at.offset : 0;
        SegmentReader reader(file.get(), segment.size);
        while (offset < segment.size && records.size() < most) {
            SpoolRecord record;
            // The file needs the path and the line only, and the names
            // for a notice of dropped entries.
            size_t size = reader.Next(offset, record, to == Collector || dropped);
            if (!size) break;
            offset += size;
            if (record.entry.sequence <= taken) continue;
            record.entry.spoolId = id_.c_str();
            Cursor position;
            position.segment = segment.number;
            position.offset = offset;
            position.sequence = record.entry.sequence;
            after.push_back(position);
            records.push_back(record);
        }
        if (records.size() >= most) break;
    }
}

void LogSpool::Taken(Destination to, size_t count, unsigned long long told) {
    std::vector<unsigned> gone;
    {
        Trevan::Lock hold(lock_);
        Take(to, count, told);
        RemoveTaken(gone);
    }
    // A progress that cannot be kept is kept by the next batch; until then
    // a restart delivers these again.
    Save();
    Delete(gone);
}

// Under lock_.
void LogSpool::Take(Destination to, size_t count, unsigned long long told) {
    if (told) progress_.dropped[to] -= std::min(told, progress_.dropped[to]);
    if (count && count <= after_[to].size()) {
        const Cursor& after = after_[to][count - 1];
        Cursor& cursor = cursor_[to];
        if (after.segment > cursor.segment || (after.segment == cursor.segment && after.offset > cursor.offset))
            cursor = after;
        progress_.taken[to] = std::max(progress_.taken[to], after.sequence);
    }
}

unsigned long long LogSpool::Written() {
    Trevan::Lock hold(lock_);
    return next_ - 1;
}

bool LogSpool::TakeAll(Destination to) {
    std::vector<unsigned> gone;
    {
        Trevan::Lock hold(lock_);
        if (progress_.taken[to] + 1 >= next_ && !progress_.dropped[to]) return false;
        progress_.taken[to] = next_ - 1;
        progress_.dropped[to] = 0;
        after_[to].clear();
        if (!segments_.empty()) {
            cursor_[to].segment = segments_.back().number;
            cursor_[to].offset = segments_.back().size;
        }
        RemoveTaken(gone);
    }
    Save();
    Delete(gone);
    return true;
}

bool LogSpool::Done() {
    Trevan::Lock hold(lock_);
    for (int to = 0; to < Destinations; ++to)
        if (progress_.taken[to] + 1 < next_) return false;
    return true;
}

// Under lock_: the segments every destination took, but the one appended
// to, leave the list; gone gets their numbers, for Delete.
void LogSpool::RemoveTaken(std::vector<unsigned>& gone) {
    unsigned long long taken = std::min(progress_.taken[File], progress_.taken[Collector]);
    while (!segments_.empty() && (segments_.size() > 1 || sealed_) && segments_.front().last <= taken) {
        if (segments_.size() == 1) current_.Close();
        gone.push_back(segments_.front().number);
        total_ -= segments_.front().size;
        segments_.erase(segments_.begin());
    }
}

// Outside lock_, so that a writer never waits for the file system's
// deletions: the segments are out of the list already.
void LogSpool::Delete(const std::vector<unsigned>& gone) {
    for (unsigned number : gone) DeleteFileW(SegmentName(number).c_str());
}

void LogSpool::Remove() {
    Trevan::Lock save(saveLock_);
    Trevan::Lock hold(lock_);
    current_.Close();
    for (const Segment& segment : segments_) DeleteFileW(SegmentName(segment.number).c_str());
    segments_.clear();
    total_ = 0;
    // Held with delete sharing: it goes when closed.
    if (control_) DeleteFileW(ControlName().c_str());
    control_.Close();
}

// The progress now into the slot the last save did not write. Under
// saveLock_, so that saves land in the order of their generations, and
// outside lock_, so that a writer never waits for the write.
DWORD LogSpool::Save() {
    Trevan::Lock save(saveLock_);
    char slot[SLOT];
    unsigned long long generation;
    HANDLE control;
    {
        Trevan::Lock hold(lock_);
        control = control_.get();
        if (!control_) return 0;
        FillSlot(slot);
        generation = generation_;
    }
    return WriteAt(control, (generation % 2) * SLOT, slot, SLOT);
}

// Under lock_: the next generation's slot.
void LogSpool::FillSlot(char* slot) {
    ++generation_;
    memset(slot, 0, SLOT);
    memcpy(slot, CONTROL_MAGIC, 4);
    Put64(slot + 4, generation_);
    for (int to = 0; to < Destinations; ++to) {
        Put64(slot + 12 + 16 * to, progress_.taken[to]);
        Put64(slot + 20 + 16 * to, progress_.dropped[to]);
    }
    unsigned long crc = SpoolCrc32(slot, SLOT_BYTES - 4);
    for (int i = 0; i < 4; ++i) slot[SLOT_BYTES - 4 + i] = static_cast<char>((crc >> (8 * i)) & 0xFF);
}

// The newer sound slot; none sound: nothing taken yet.
void LogSpool::LoadProgress() {
    char slots[2 * SLOT] = {};
    DWORD read = 0;
    OVERLAPPED at = At(0);
    if (!ReadFile(control_.get(), slots, sizeof slots, &read, &at)) read = 0;
    for (DWORD offset = 0; offset + SLOT <= read; offset += SLOT) {
        const char* slot = slots + offset;
        unsigned long crc = 0;
        for (int i = 3; i >= 0; --i) crc = (crc << 8) | static_cast<unsigned char>(slot[SLOT_BYTES - 4 + i]);
        if (memcmp(slot, CONTROL_MAGIC, 4) != 0 || SpoolCrc32(slot, SLOT_BYTES - 4) != crc) continue;
        unsigned long long generation = Get64(slot + 4);
        if (generation <= generation_) continue;
        generation_ = generation;
        for (int to = 0; to < Destinations; ++to) {
            progress_.taken[to] = Get64(slot + 12 + 16 * to);
            progress_.dropped[to] = Get64(slot + 20 + 16 * to);
        }
    }
}

// The whole records of a segment of an adopted spool, up to the first that
// is not whole and sound.
void LogSpool::Scan(Segment& segment) {
    KernelHandle file(CreateFileW(SegmentName(segment.number).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file) return;
    // Bounded by the file's own size: a torn or foreign length read from it
    // must not ask for more than the file can hold.
    LARGE_INTEGER bytes;
    if (!GetFileSizeEx(file.get(), &bytes)) return;
    SegmentReader reader(file.get(), static_cast<unsigned long long>(bytes.QuadPart));
    for (;;) {
        SpoolRecord record;
        size_t size = reader.Next(segment.size, record, false);
        if (!size) break;
        segment.size += size;
        if (!segment.first) segment.first = record.entry.sequence;
        segment.last = record.entry.sequence;
    }
}

std::vector<LogSpool*> LogSpool::Orphans(const std::wstring& folder, const std::string& except) {
    // Owned until all are found: one that fails (no memory) lets go of
    // those before it, for the next start to take.
    std::vector<std::unique_ptr<LogSpool>> owned;
    std::vector<LogSpool*> found;
    WIN32_FIND_DATAW data;
    FindHandle search(FindFirstFileW((folder + L"\\*.spool").c_str(), &data));
    if (!search) return found;
    do {
        std::wstring name = data.cFileName;
        if (name.size() != 38 || name.compare(32, 6, L".spool") != 0 || !IsId(name.substr(0, 32))) continue;
        std::string id(name.begin(), name.begin() + 32);
        if (id == except) continue;
        // Held by a live spool, this open fails.
        HANDLE control = CreateFileW((folder + L"\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (control == INVALID_HANDLE_VALUE) continue;
        std::unique_ptr<LogSpool> spool(new LogSpool(folder, id, control));
        spool->LoadProgress();
        std::vector<unsigned> numbers;
        WIN32_FIND_DATAW segment;
        FindHandle segments(FindFirstFileW((folder + L"\\" + Wide(id) + L".*.seg").c_str(), &segment));
        if (segments) {
            do {
                unsigned number = 0;
                wchar_t end[8] = L"";
                if (swscanf(segment.cFileName + 32, L".%8x%7ls", &number, end) == 2 && wcscmp(end, L".seg") == 0)
                    numbers.push_back(number);
            } while (FindNextFileW(segments.get(), &segment));
        }
        std::sort(numbers.begin(), numbers.end());
        for (unsigned number : numbers) {
            Segment kept;
            kept.number = number;
            spool->Scan(kept);
            spool->total_ += kept.size;
            if (kept.last >= spool->next_) spool->next_ = kept.last + 1;
            spool->segments_.push_back(kept);
        }
        if (!numbers.empty()) {
            for (int to = 0; to < Destinations; ++to) spool->cursor_[to].segment = numbers.front();
        }
        owned.push_back(std::move(spool));
    } while (FindNextFileW(search.get(), &data));
    found.reserve(owned.size());
    for (auto& spool : owned) found.push_back(spool.release());
    return found;
}
