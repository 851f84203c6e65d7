#include "platform/SystemLog.h"

Q_LOGGING_CATEGORY(lcSystemLog, "vell.log")

void SystemLog::write(const QString& line) {
    qCInfo(lcSystemLog).noquote() << line;
}

void SystemLog::installDefaultPattern() {
    qSetMessagePattern(QStringLiteral(
        "%{time yyyy-MM-dd hh:mm:ss.zzz} %{appname}[%{pid}:%{threadid}] %{message}"));
}
