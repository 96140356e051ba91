#pragma once
// Whole-file writes that survive a crash or a power loss: the new text goes
// to a temporary file beside the target, its data is flushed to the disk,
// the temporary file is renamed over the target, and then the directory
// itself is flushed so that the rename is on the disk too. A reader sees
// the old file or the new one, never a torn one.
//
// A write that was killed half-way leaves its temporary file
// ("<name>.XXXXXX", six letters or digits) behind; the next write of the
// same file that succeeds removes such leftovers.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kaspen {

// True when every byte reached the disk under path; otherwise false and the
// reason in *error (the old file is then unchanged).
bool writeFileDurably(const QString &path, const QByteArray &data, QString *error = nullptr);

// Leftover temporary files of earlier writes of path (full paths).
QStringList staleTemporaryFiles(const QString &path);

} // namespace kaspen
