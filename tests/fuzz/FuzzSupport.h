#pragma once

#include <QtGlobal>

#include <cstdlib>

// Every input would otherwise write log lines; they cost time and bury libFuzzer's report.
inline const QtMessageHandler kLogSilenced =
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});

// A broken invariant is a finding: abort, and libFuzzer keeps the input and prints the stack.
inline void fuzzCheck(bool holds) {
    if (!holds) std::abort();
}
