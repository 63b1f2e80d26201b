// LogSpool: the files of one spool of the script log, where LogWrite puts
// its entries for the delivery thread (LogDelivery.h) to take on.
//
// A spool lies in one folder (normally %LOCALAPPDATA%\aRvik\Spool) as
//   ID.spool          its progress: per destination the sequence of the
//                     last entry taken and the entries dropped since the
//                     destination last heard of it; two checksummed slots
//                     written in turn, so a torn write leaves the other
//   ID.NNNNNNNN.seg   its segments, records (SpoolRecord.h) in order
// ID being 32 random hex digits, fresh for every spool. The live spool
// holds its ID.spool open without sharing for reading or writing: another
// process that can open one so has found a spool nobody holds and may
// adopt it (Orphans), and only one can. Records are appended with
// WriteFile and so are in the system once Append returns (they survive the
// process, not a power cut: nothing is flushed to the disk).
//
// An entry leaves the spool when every destination took it (Taken); a
// segment goes when all its entries left. A crash between a destination's
// taking a batch and the note of it (Taken) gives it that batch again.
// The spool's bytes stay within its bound: an entry that would pass it
// drops the oldest segments first, delivered or not, and the entries lost
// to each destination are counted (Pending tells them). Append is safe for
// any number of threads; Pending, Taken and TakeAll belong to the one
// delivery thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <Trevan/CriticalSection.h>
#include <owned.h>
#include <str.h>

#include "Log/SpoolRecord.h"

class LogSpool {
public:
    enum Destination { File = 0, Collector = 1, Destinations = 2 };

    // A fresh spool with a new id in folder (made when missing); its files
    // are made with its first entry. bound in bytes.
    LogSpool(const std::wstring& folder, unsigned long long bound);
    ~LogSpool();
    LogSpool(const LogSpool&) = delete;
    LogSpool& operator=(const LogSpool&) = delete;

    // The spools of folder that no process holds, each opened and read
    // (a torn last record of a segment dropped), oldest first as the system
    // lists them; none that another process holds.
    static std::vector<LogSpool*> Orphans(const std::wstring& folder, const std::string& except);

    const std::string& Id() const { return id_; }
    void SetBound(unsigned long long bound);

    // Appends record as the spool's next entry (its sequence and spool id
    // set here). Throws the spool's failure naming the file
    // (SpoolWriteError) when it cannot be written: then nothing of it counts.
    void Append(SpoolRecord& record);

    // Up to most records after the destination's progress, in order; none
    // when it took everything. What was dropped since the destination last
    // heard of it is in dropped.
    void Pending(Destination to, size_t most, std::vector<SpoolRecord>& records, unsigned long long& dropped);
    // The destination took the first count records of its last Pending
    // (and was told of told of the dropped ones): kept durably, and the
    // segments that every destination took are removed. One thread calls
    // Pending and Taken.
    void Taken(Destination to, size_t count, unsigned long long told);
    // The destination took every entry there is, unread (and needs to
    // hear of none dropped); false when it had taken them all already.
    bool TakeAll(Destination to);
    // Whether every destination took every entry.
    bool Done();
    // How many entries were appended.
    unsigned long long Written();
    // Removes the spool's files; only once it is Done.
    void Remove();

private:
    struct Segment {
        unsigned number;
        unsigned long long first = 0, last = 0;  // sequences; first 0: empty
        unsigned long long size = 0;              // bytes of whole records
    };
    struct Progress {
        unsigned long long taken[Destinations] = {};
        unsigned long long dropped[Destinations] = {};
    };

    LogSpool(const std::wstring& folder, const std::string& id, HANDLE control);
    void Start();
    void Write(SpoolRecord& record, std::vector<unsigned>& gone);
    void Scan(Segment& segment);
    void NewSegment();
    unsigned DropOldest();
    void Take(Destination to, size_t count, unsigned long long told);
    void RemoveTaken(std::vector<unsigned>& gone);
    void Delete(const std::vector<unsigned>& gone);
    DWORD Save();
    void FillSlot(char* slot);
    void LoadProgress();
    std::wstring SegmentName(unsigned number) const;
    std::wstring ControlName() const;

    // saveLock_ before lock_, never the other way round.
    Trevan::CriticalSection saveLock_;  // the control file's writes
    Trevan::CriticalSection lock_;      // all else
    const std::wstring folder_;
    const std::string id_;
    unsigned long long bound_;
    KernelHandle control_;
    KernelHandle current_;  // the segment appended to (the last one)
    bool sealed_ = false;   // the last segment takes no more entries
    std::vector<Segment> segments_;
    unsigned lastNumber_ = 0;       // of the newest segment made
    unsigned long long total_ = 0;  // bytes of segments_
    unsigned long long next_ = 1;   // sequence of the next entry
    unsigned long long generation_ = 0;
    Progress progress_;
    // Where each destination's reading stands: a segment's number and an
    // offset in it, with the sequence read up to there.
    struct Cursor {
        unsigned segment = 0;
        unsigned long long offset = 0;
        unsigned long long sequence = 0;
    } cursor_[Destinations];
    std::vector<Cursor> after_[Destinations];  // after each record of the last Pending
    std::vector<char> encoded_;
};

// KLAppException "Не удалось записать очередь журнала (ошибка N): FILE",
// the file named as AnsiName shows it.
[[noreturn]] void ThrowSpoolWriteError(DWORD error, const std::wstring& file);

// %LOCALAPPDATA%\aRvik\Spool (without a closing backslash).
std::wstring SpoolFolder();
