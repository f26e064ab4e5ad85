#include "tclquote.h"

#include <QStringList>
#include <tcl.h>

QString TclQuote::word(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    int flags = 0;
    const int room = Tcl_ScanCountedElement(bytes.constData(), bytes.size(), &flags);
    QByteArray quoted(room + 1, '\0');
    const int length = Tcl_ConvertCountedElement(bytes.constData(), bytes.size(), quoted.data(), flags);
    quoted.truncate(length);
    return QString::fromUtf8(quoted);
}

QString TclQuote::list(const QStringList& texts)
{
    QStringList words;
    words.reserve(texts.size());
    for (const QString& text : texts)
        words.append(word(text));
    return words.join(QLatin1Char(' '));
}
