// SpoolRecord: one entry of the script log as the spool keeps it (the
// LogEntry, and the text file's path and line as LogWrite made them), and
// its bytes in a spool segment:
//   "aRvR"  LENGTH (4 bytes)  CRC-32 of the payload (4 bytes)  payload
// little-endian. A record whose header, length or checksum does not hold
// (the last one of a segment that a crash cut short) reads as the
// segment's end: it is dropped, never delivered as garbage.
#pragma once

#include <windows.h>

#include <vector>

#include <str.h>

#include "Log/LogEntry.h"

struct SpoolRecord {
    LogEntry entry;        // spoolId is the spool's, not stored
    bool json = false;     // line is a JSON object (LogFormat::Json)
    bool toCollector = false;  // a collector was named when it was written
    string path;           // the day's log file as resolved at LogWrite; empty: no file
    string line;           // the whole line for the file, with its "\r\n"
};

const size_t SPOOL_RECORD_HEADER = 12;

// The record's bytes, header and payload, appended to out.
void EncodeSpoolRecord(const SpoolRecord& record, std::vector<char>& out);

// The record at data (size bytes from a record's start): its whole size,
// or 0 when no whole, sound record starts there. Without names, the
// entry's computer, user and text are left empty (the file needs only the
// path and the line).
size_t DecodeSpoolRecord(const char* data, size_t size, SpoolRecord& record, bool names = true);

// The payload length a header gives (0 for no header), so that a reader
// knows how much to read.
size_t SpoolRecordLength(const char* header);

unsigned long SpoolCrc32(const void* data, size_t size);
