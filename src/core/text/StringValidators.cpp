#include "text/StringValidators.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <memory>

namespace {
// Roughly milliseconds of matching; these patterns need far less for any sane input.
constexpr int32_t kTimeLimitSteps = 100;
// Longer strings cannot be a telephone number, an address or a link we would show.
constexpr qsizetype kMaxLength = 4096;

class CompiledPattern {
public:
    explicit CompiledPattern(const char16_t* source) {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError{};
        pattern.reset(
            icu::RegexPattern::compile(icu::UnicodeString(source), 0, parseError, status));
        if (U_FAILURE(status)) pattern.reset();
    }

    bool matchesWhole(const QString& text) const {
        if (!pattern || text.size() > kMaxLength) return false;
        // The matcher keeps a pointer to its input: input must outlive it.
        const icu::UnicodeString input(reinterpret_cast<const UChar*>(text.utf16()),
                                       static_cast<int32_t>(text.size()));
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
        if (U_FAILURE(status) || !matcher) return false;
        matcher->setTimeLimit(kTimeLimitSteps, status);
        const UBool whole = matcher->matches(status);
        return U_SUCCESS(status) && whole;
    }

private:
    std::unique_ptr<icu::RegexPattern> pattern;
};
}  // namespace

bool StringValidators::checkTelNumber(const QString& text) {
    static const CompiledPattern pattern(u"^1(3[0-9]|4[57]|5[0-35-9]|8[0-9]|7[06-8])\\d{8}$");
    return pattern.matchesWhole(text);
}

bool StringValidators::validateEmail(const QString& text) {
    static const CompiledPattern pattern(u"[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,4}");
    return pattern.matchesWhole(text);
}

bool StringValidators::checkURL(const QString& text) {
    static const CompiledPattern pattern(u"http(s)?://([\\w-]+\\.)+[\\w-]+(/[\\w- ./?%&=]*)?");
    return pattern.matchesWhole(text);
}
