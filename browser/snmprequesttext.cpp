#include "snmprequesttext.h"

#include "tclquote.h"
#include "tcltext.h"

QString SnmpRequestText::PlainSetValue(const QString& value)
{
    return QLatin1Char(' ') + TclText::braced(value);
}

QString SnmpRequestText::EnumSetValue(const QString& label)
{
    return TclText::wordKeepingTrailingBlanks(label);
}

QString SnmpRequestText::EnumLabelScript(const QString& valueText)
{
    return QStringLiteral("lindex [split ") + TclText::braced(valueText) + QStringLiteral(" (] 0");
}

QString SnmpRequestText::Build(const Parameters& parameters, const QString& operation, const QString& oid,
                               const QString& valuePart)
{
    // One binding "OID VALUE" inside a list of bindings: quoting the binding and
    // then the list keeps the two levels of braces of the ordinary form.
    const QString binding = TclQuote::word(oid) + QLatin1Char(' ') + valuePart;
    const QString bindings = TclQuote::word(TclQuote::word(binding));
    return QStringLiteral("SnmpGlobalRequest ") + TclQuote::word(parameters.target) + QLatin1Char(' ')
        + TclQuote::word(parameters.community) + QLatin1Char(' ') + TclQuote::word(parameters.timeout)
        + QLatin1Char(' ') + TclQuote::word(parameters.retries) + QLatin1Char(' ') + operation + QLatin1Char(' ')
        + bindings;
}
