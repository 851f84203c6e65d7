#pragma once

#include <QString>

// Whole-string tests with ICU regular expressions (\d and \w match digits and letters of any
// script). Each pattern is compiled once; a match that runs too long counts as no match. Kept as
// part of the link label's interface: the window itself calls none of them.
class StringValidators {
public:
    // Eleven digits of a mainland mobile number: 13x, 145/147, 15x but 154, 18x, 170/176-178.
    static bool checkTelNumber(const QString& text);
    static bool validateEmail(const QString& text);
    // http or https, a dotted host of word characters, an optional simple path.
    static bool checkURL(const QString& text);
};
