#pragma once

#include <QString>

class TTcl;

// The walk log: a file channel in a window's own interpreter, one line per row.
// Lines go to the file byte for byte as the row shows them (UTF-8, newline added by
// "puts"): the line and the file name enter Tcl as single words and nothing in them
// is ever evaluated.
class WalkLog {
public:
    // Opens (creates or empties) the file for writing; returns the channel name.
    // Raises ETclEvalException when the file cannot be opened.
    [[nodiscard]] static QString open(TTcl& tcl, const QString& fileName);
    static void writeLine(TTcl& tcl, const QString& channel, const QString& line);
    static void close(TTcl& tcl, const QString& channel);
};
