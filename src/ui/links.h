#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

class Prompts;
class QWidget;

// Mail and Web go to an address or host (the maker's when none is given); MailToNobody is a mail
// with no recipient, for the user to address, carrying only its query (subject and body).
enum class LinkKind : qint16 { Mail = 1, Web = 2, MailToNobody = 3 };

// The maker's contact endpoints, used when a link is opened without a target.
inline constexpr char DefaultMailAddress[] = "support@rosterly.example";
inline constexpr char DefaultWebHost[] = "www.rosterly.example";
// Where the program can be downloaded on the maker's web host.
inline constexpr char DownloadPath[] = "/download/rosterly-setup.tar.gz";

using LinkQuery = QList<QPair<QString, QString>>;

// "mailto:" + address or "http://" + host. The target is taken as an address or host only: every
// character that could start a query, a fragment or a header (?, &, =, #, %, CR, LF, ...) is
// percent-encoded, so an address typed into a record cannot add fields such as cc= or attach=.
// The program's own fixed query (subject and body of a mail to the maker) comes as `query`,
// each name and value encoded.
QUrl BuildLink(LinkKind kind, const QString& target, const LinkQuery& query = {});

// Opens the link with the desktop's default program; reports a failure with the message
// "Could not establish an internet connection!" (critical icon, title "Error").
void OpenLink(LinkKind kind, QWidget* owner, const QString& target, Prompts& prompts,
              const LinkQuery& query = {});
