#pragma once

#include <QString>
#include <QUrl>

/// Where the maker's web server is. The address is written into the program
/// once, here; a settings value or an environment variable can point the
/// program at another server (a mirror, a test server on this machine).
namespace brel::MakerSite {

/// The maker's web server as the program knows it.
inline const QString DefaultAddress = QStringLiteral("http://www.quorvane.com");
/// The maker's e-mail address, shown in the tips.
inline const QString Email = QStringLiteral("support@quorvane.com");
/// Environment variable that overrides every other setting of the address.
inline const char *const AddressVariable = "BRELVANTO_WEB_SERVER";

/// The server's address without a trailing slash: $BRELVANTO_WEB_SERVER,
/// else the settings value "WebServer", else DefaultAddress.
QString address();
/// The page path (starting with "/") on the server.
QUrl page(const QString &path);
/// The time an HTTP request may take, in milliseconds: the settings value
/// "HttpTimeout" when it is a positive number, else 10000.
int timeoutMs();

} // namespace brel::MakerSite
