#pragma once

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

// Every input would otherwise write log lines; they cost time and bury libFuzzer's report.
inline const QtMessageHandler kLogSilenced =
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});

// A broken invariant is a finding: abort so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                  \
    ((condition)                                                                               \
         ? void()                                                                              \
         : (std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition), \
            std::abort()))
