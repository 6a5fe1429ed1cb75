#include "ui/links.h"

#include "ui/prompts.h"

#include <QByteArray>

namespace {

// Letters, digits and "-._~" stay as they are anyway; "@" and "+" are all an address adds.
QByteArray EncodeTarget(const QString& target) {
    return target.toUtf8().toPercentEncoding(QByteArrayLiteral("@+"));
}

} // namespace

QUrl BuildLink(LinkKind kind, const QString& target, const LinkQuery& query) {
    const bool mail = kind == LinkKind::Mail;
    const QString address = !target.isEmpty() ? target
                            : mail            ? QString::fromLatin1(DefaultMailAddress)
                                              : QString::fromLatin1(DefaultWebHost);

    QByteArray encoded =
        mail || kind == LinkKind::MailToNobody ? QByteArrayLiteral("mailto:") : QByteArrayLiteral("http://");
    if (kind != LinkKind::MailToNobody)
        encoded += EncodeTarget(address);
    for (qsizetype i = 0; i < query.size(); ++i) {
        encoded += i == 0 ? '?' : '&';
        encoded += query.at(i).first.toUtf8().toPercentEncoding();
        encoded += '=';
        encoded += query.at(i).second.toUtf8().toPercentEncoding();
    }
    // Tolerant parsing turns a non-ASCII host into its IDN form; a host holding any encoded
    // delimiter makes the URL invalid, which OpenLink then reports instead of opening.
    return QUrl::fromEncoded(encoded, QUrl::TolerantMode);
}

void OpenLink(LinkKind kind, QWidget* owner, const QString& target, Prompts& prompts,
              const LinkQuery& query) {
    Q_UNUSED(owner); // the desktop opens links in their own windows
    // A registered handler would be handed even an invalid link, so that is caught here.
    const QUrl url = BuildLink(kind, target, query);
    if (!url.isValid() || !prompts.OpenUrl(url))
        prompts.MsgBox(QStringLiteral("Could not establish an internet connection!"), MsgButtons::OKOnly,
                       MsgIcon::Critical, QStringLiteral("Error"));
}
