#include "text/StringValidators.h"

#include "FuzzSupport.h"

#include <cstring>

static void validate(const QString& text) {
    if (StringValidators::checkTelNumber(text)) fuzzCheck(text.startsWith(u'1'));
    if (StringValidators::validateEmail(text)) fuzzCheck(text.contains(u'@'));
    if (StringValidators::checkURL(text)) fuzzCheck(text.startsWith(QStringLiteral("http")));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    validate(QString::fromUtf8(bytes, static_cast<qsizetype>(size)));
    // The same bytes as UTF-16 reach what UTF-8 cannot carry: lone surrogates, for one.
    QString units(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    std::memcpy(units.data(), bytes, size / 2 * 2);
    validate(units);
    return 0;
}
