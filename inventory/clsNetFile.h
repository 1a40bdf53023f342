#pragma once

#include "FileEntry.h"
#include "OpenFileSource.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The open-file inventory of one server: enumerates its open files through an open-file
// source, keeps the records that match a filter, and answers them by a 1-based 16-bit index.
//
// Index rules, shared by every per-index property and CloseFile: an index past count(), or
// any index while the inventory is empty, has no entry (texts answer empty, idFile 0,
// CloseFile false). On a filled inventory an index below 1 throws std::out_of_range, and
// -32768 throws std::overflow_error (its predecessor does not fit 16 bits).
class clsNetFile final {
public:
    explicit clsNetFile(std::shared_ptr<OpenFileSource> source);

    // Stores the name unchanged; a name that is blank empties the inventory at once.
    void server(const QString& name);
    QString server() const;

    // The number of kept entries; std::overflow_error past 32,767.
    std::int16_t count() const;

    // The status line of the last successful load; empty after a failed one.
    QString message() const;

    QString userName(std::int16_t index) const;
    QString filePermission(std::int16_t index) const;
    QString fileName(std::int16_t index) const;
    QString typeFile(std::int16_t index) const;
    // "\\" + server + "\" + the path with every ":\" turned into "\".
    QString fileNameFullPath(std::int16_t index) const;
    std::int32_t idFile(std::int16_t index) const;

    void clearCache();

    // Force-closes the entry's file on the server now named; true when the server agreed.
    // The entry stays in the inventory until the next load.
    bool CloseFile(std::int16_t index);

    // Enumerates the server's open files, then rebuilds (below). A failed enumeration leaves
    // the entries as they were and the message empty.
    void load(const QString& filter);

    // Takes an enumeration of the server now named as the last answer, every record's texts
    // derived, and answers true. A failed one leaves the entries and the last answer as they
    // were, empties the message and answers false.
    bool takeAnswer(OpenFileList list);
    // Every entry of the last answer, in the server's order, whatever the filter keeps.
    const std::vector<FileEntry>& answer() const;
    // The server named when the last answer was taken, as it was named; none before the first.
    const std::optional<QString>& answeredServer() const;
    // Rebuilds the cache from the last answer's entries whose user name or path contains the
    // filter (case-insensitively; a blank filter keeps them all) and composes the message.
    void rebuild(const QString& filter);

    // The server as the open-file source takes it: "\\" + server, exactly as stored.
    QString serverPath() const;

private:
    bool entryExists(std::int16_t index) const;
    const FileEntry& entryAt(std::int16_t index) const;
    // The entry at index, or a blank one (texts empty, idFile 0) where the index rules give none.
    const FileEntry& entryOrBlank(std::int16_t index) const;
    void buildMessage(const QString& filter, std::size_t entriesRead);

    std::vector<FileEntry> m_cache;  // the kept entries, index 1 at element 0
    QString m_serverName;
    QString m_statusMessage;
    std::shared_ptr<OpenFileSource> m_source;
    std::vector<FileEntry> m_answer;  // every record of the last successful enumeration
    std::optional<QString> m_answeredServer;
};
