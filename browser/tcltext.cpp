#include "tcltext.h"

#include "tclquote.h"

namespace {

bool isPlainWord(const QString& text)
{
    return !text.isEmpty() && TclQuote::word(text) == text;
}

} // namespace

QString TclText::braced(const QString& text)
{
    if (isPlainWord(text))
        return QLatin1Char('{') + text + QLatin1Char('}');
    return TclQuote::word(text);
}

QString TclText::quoted(const QString& text)
{
    if (isPlainWord(text))
        return QLatin1Char('"') + text + QLatin1Char('"');
    return TclQuote::word(text);
}

QString TclText::wordKeepingTrailingBlanks(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    if (end == 0)
        return text;
    return TclQuote::word(text.left(end)) + text.mid(end);
}
