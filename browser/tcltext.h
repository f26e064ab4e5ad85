#pragma once

#include <QString>

// How the browser writes a user or agent text into a Tcl command: always as exactly
// one Tcl word, so that it can never run as code, yet in the very form the command
// texts have always had for ordinary words (a name, a dotted OID, a plain value):
// braced where the text was braced, double-quoted where it was double-quoted.
class TclText {
public:
    // "{" text "}" when that is already a safe single word (no blanks, brackets,
    // braces, quotes, dollars or backslashes); otherwise the list-element quoting
    // of TclQuote::word (braced or backslash-escaped as Tcl itself would).
    [[nodiscard]] static QString braced(const QString& text);
    // '"' text '"' for a text that needs no quoting; otherwise TclQuote::word.
    [[nodiscard]] static QString quoted(const QString& text);
    // The text as a word with its trailing blanks kept outside the quoting, so an
    // enumeration label cut before its " (n)" ("down ") reads as it always did; a
    // text of blanks only stays as it is (blanks cannot run as code).
    [[nodiscard]] static QString wordKeepingTrailingBlanks(const QString& text);
};
