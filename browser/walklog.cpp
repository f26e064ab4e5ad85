#include "walklog.h"

#include "tclquote.h"
#include "ttcl.h"

QString WalkLog::open(TTcl& tcl, const QString& fileName)
{
    const QString channel = tcl.Eval(QStringLiteral("open ") + TclQuote::word(fileName)
                                     + QStringLiteral(" {RDWR CREAT TRUNC}"));
    // The rows are Unicode text; without this the channel would use the locale's
    // encoding and turn every character outside it into "?".
    tcl.Eval(QStringLiteral("fconfigure ") + TclQuote::word(channel) + QStringLiteral(" -encoding utf-8"));
    return channel;
}

void WalkLog::writeLine(TTcl& tcl, const QString& channel, const QString& line)
{
    tcl.Eval(QStringLiteral("puts ") + TclQuote::word(channel) + QLatin1Char(' ') + TclQuote::word(line));
}

void WalkLog::close(TTcl& tcl, const QString& channel)
{
    tcl.Eval(QStringLiteral("close ") + TclQuote::word(channel));
}
