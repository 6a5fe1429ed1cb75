// The admin window's view of the user log, shown in place of the user list.
#include "users/frmadmin.h"

#include "core/programstate.h"
#include "data/ansitext.h"
#include "data/fileio.h"
#include "ui/busywindow.h"
#include "ui/grid.h"
#include "ui/orvicbutton.h"
#include "ui/prompts.h"
#include "users/usershelpers.h"

#include <QApplication>
#include <QPlainTextEdit>

#include <cerrno>
#include <fcntl.h>

namespace {

// The whole file in one piece.
IoStatus ReadWholeFile(FileIo& io, const QString& name, QByteArray& bytes) {
    const int fd = io.Open(name, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return IoStatus::Failure(QStringLiteral("open"), name, errno);
    IoStatus status;
    const off_t size = io.Size(fd);
    if (size < 0) {
        status = IoStatus::Failure(QStringLiteral("read"), name, errno);
    } else {
        bytes.resize(qsizetype(size));
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = io.ReadAt(fd, bytes.data() + done, size_t(bytes.size() - done), off_t(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                status = IoStatus::Failure(QStringLiteral("read"), name, errno);
                break;
            }
            if (n == 0)
                break; // shorter than it was a moment ago
            done += n;
        }
        bytes.truncate(done);
    }
    io.Close(fd);
    return status;
}

} // namespace

void frmAdmin::cmdReviewUserLog_Click() {
    if (ViewingLog)
        CloseUserLogView();
    else
        OpenUserLogView();
    cmdReviewUserLog->setFocus();
}

void frmAdmin::OpenUserLogView() {
    QByteArray bytes;
    IoStatus status;
    {
        const BusyWindow busy(this);
        status = ReadWholeFile(m_ctx.io, m_ctx.state.UserLogName, bytes);
    }
    if (!ReportFileError(m_ctx.prompts, status))
        return;
    if (bytes.isEmpty()) {
        m_ctx.prompts.MsgBox(QStringLiteral("There is currently no data") + QStringLiteral("\r\n") +
                                 QStringLiteral("in the 'User Log'."),
                             MsgButtons::OKOnly, MsgIcon::Information, QStringLiteral("Nothing to View"));
        return;
    }

    ViewingLog = true;
    for (OrvicButton* b : {cmdAdmin, cmdAddUser, cmdEditUser, cmdDeleteUser, cmdSensitiveFields})
        b->hide();
    m_captionTag = windowTitle();
    cmdReviewUserLog->SetCaption(QStringLiteral("Finished Viewing"));
    setWindowTitle(m_ctx.state.AppTitle + QStringLiteral(" - User Log"));

    m_gridShownBeforeLog = !grid->isHidden();
    grid->hide();
    m_userLogTag = txtUserLog->geometry();
    txtUserLog->setGeometry(grid->geometry());
    QString text = TrimSpaces(FromAnsi(bytes));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    txtUserLog->setPlainText(text);
    txtUserLog->show();
}

void frmAdmin::CloseUserLogView() {
    ViewingLog = false;
    txtUserLog->hide();
    txtUserLog->setGeometry(m_userLogTag);
    txtUserLog->clear();
    // Ends the flashing colours on the button.
    cmdReviewUserLog->SetForeColor(Qt::black);
    cmdReviewUserLog->SetBackColor(cmdReviewUserLog->BackOver());
    setWindowTitle(m_captionTag);
    // A list left without users stays hidden.
    if (m_gridShownBeforeLog)
        grid->show();
    ShowAdminMode();
}
