#include "browser/WebEngineSandbox.h"

#include <QByteArrayList>
#include <QtGlobal>
#include <unistd.h>

namespace sonavia {

namespace {

constexpr char kDisableSandbox[] = "QTWEBENGINE_DISABLE_SANDBOX";
constexpr char kChromiumFlags[] = "QTWEBENGINE_CHROMIUM_FLAGS";
constexpr char kNoSandboxFlag[] = "--no-sandbox";
constexpr char kXcbGlIntegration[] = "QT_XCB_GL_INTEGRATION";
constexpr char kNoXcbGlIntegration[] = "none";

} // namespace

void PrepareWebEngineFor(bool superuser) {
    if (superuser) {
        qputenv(kDisableSandbox, "1");
        return;
    }
    qunsetenv(kDisableSandbox);
    const QByteArrayList flags = qgetenv(kChromiumFlags).split(' ');
    QByteArrayList kept;
    for (const QByteArray& flag : flags) {
        if (!flag.isEmpty() && flag != kNoSandboxFlag) {
            kept.append(flag);
        }
    }
    if (kept.size() != flags.size()) {
        qputenv(kChromiumFlags, kept.join(' '));
    }
}

void KeepWebEngineOffOpenGl() {
    if (!qEnvironmentVariableIsSet(kXcbGlIntegration)) {
        qputenv(kXcbGlIntegration, kNoXcbGlIntegration);
    }
}

void PrepareWebEngine() {
    PrepareWebEngineFor(geteuid() == 0);
}

} // namespace sonavia
