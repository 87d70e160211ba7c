#include "online/MakerSite.h"

#include "components/SettingsStore.h"

namespace brel::MakerSite {

namespace {
constexpr int DefaultTimeoutMs = 10000;
}

QString address()
{
    QString base = qEnvironmentVariable(AddressVariable).trimmed();
    if (base.isEmpty())
        base = openSettings()->value(settingsKey(QStringLiteral("WebServer"))).toString().trimmed();
    if (base.isEmpty())
        base = DefaultAddress;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

QUrl page(const QString &path)
{
    return QUrl(address() + path);
}

int timeoutMs()
{
    bool ok = false;
    const int ms = openSettings()->value(settingsKey(QStringLiteral("HttpTimeout"))).toString().trimmed().toInt(&ok);
    return ok && ms > 0 ? ms : DefaultTimeoutMs;
}

} // namespace brel::MakerSite
