#pragma once

#include <cstdint>
#include <filesystem>

namespace vrklad {

// How an export to the transport operator ended, for the window (nothing to
// do: the operator has seen every message) and for the batch tool (its exit
// status).
enum class ExportStop {
    Moved,            // ran to its end: the archive went to the chosen folder
    NotMoved,         // archive made; the operator did not want it moved
    FolderCancelled,  // archive made; the folder choice was cancelled
    Declined,         // the first question was answered No: nothing changed
    NoFileName,       // the configuration names no register: nothing changed
    WriteFailed,      // a file in Export/ could not be written: dates and pending file unchanged
    TooManyRecords,   // the corrections file would exceed 65,535 records: nothing changed
    ConfigFailed,     // the configuration could not be saved: its dates and the pending file stay
    ArchiveFailed,    // record file, log and dates written; the archiver failed
    MoveFailed,       // archive made; it stays in Export/
};

struct ExportResult {
    ExportStop stop = ExportStop::Declined;
    uint32_t records = 0;           // records written (actual) or documents listed (corrections)
    uint32_t expired = 0;           // of those, with the benefit ended before today
    uint32_t added = 0;             // records added to the file by this run
    std::filesystem::path archive;  // where the archive made lies at the end; empty when none

    // The archive was made and nothing failed.
    bool Succeeded() const {
        return stop == ExportStop::Moved || stop == ExportStop::NotMoved ||
               stop == ExportStop::FolderCancelled;
    }
};

}  // namespace vrklad
