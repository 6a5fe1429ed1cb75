// The admin window's user maintenance: adding, viewing/editing and removing users.
#include "users/frmadmin.h"

#include "core/programstate.h"
#include "data/userlist.h"
#include "ui/fade.h"
#include "ui/grid.h"
#include "ui/orvicbutton.h"
#include "ui/prompts.h"
#include "users/frmaddedituser.h"
#include "users/usershelpers.h"

#include <QCoreApplication>

#include <algorithm>

void frmAdmin::cmdAddUser_Click() {
    OpenUserDialog(QString::fromLatin1(frmAddEditUser::AddMode), cmdAddUser);
}

void frmAdmin::cmdEditUser_Click() {
    if (grid->Row() >= 1)
        OpenUserDialog(QString::fromLatin1(frmAddEditUser::EditMode), cmdEditUser);
}

void frmAdmin::OpenUserDialog(const QString& mode, OrvicButton* opener) {
    const qint16 recordNumber =
        mode == QLatin1String(frmAddEditUser::EditMode) ? grid->TextMatrix(grid->Row(), 4).toShort() : 0;

    // The dim is not waited for: the dialog comes up at once while this window dims behind it.
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 255, 204, 1, false);
    QString sortKey;
    {
        frmAddEditUser dialog(m_ctx, mode, recordNumber, opener, this);
        dialog.exec();
        sortKey = dialog.SavedSortKey();
    }
    activateWindow(); // back to this window, also where no window manager hands it back
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 204, 255, 2, false);

    if (opener->Tag != QLatin1String("Update"))
        return;
    FillUserGrid();
    QCoreApplication::processEvents();
    // Two users of the same name: the first in sort order is highlighted. A single user is
    // highlighted too, so that the commands on the highlighted row have one to act on.
    for (int row = 1; row < grid->Rows(); ++row) {
        if (grid->TextMatrix(row, 3) == sortKey) {
            HighlightRow(row);
            break;
        }
    }
    ShowAdminMode();
    opener->Tag.clear();
}

void frmAdmin::cmdDeleteUser_Click() {
    const int row = grid->Row();
    if (row < 1)
        return;
    const QString crLf = QStringLiteral("\r\n");
    const MsgAnswer answer = m_ctx.prompts.MsgBox(
        QStringLiteral("Are you sure you want to remove") + crLf + crLf + grid->TextMatrix(row, 0) + crLf +
            crLf + QStringLiteral("from the 'User List'?"),
        MsgButtons::YesNoCancel, MsgIcon::Question, QStringLiteral("Confirm Deletion"), MsgDefault::Button2);
    if (answer != MsgAnswer::Yes)
        return;

    UserList list(m_ctx.io, m_ctx.state.UserListName, m_ctx.state.ScratchFileName);
    // On failure the list is as it was, and so is the grid.
    if (!ReportFileError(m_ctx.prompts, list.RemoveUser(grid->TextMatrix(row, 4).toShort())))
        return;

    if (m_ctx.io.Exists(m_ctx.state.UserListName))
        ReselectRow = std::max(1, row - 1);
    FillUserGrid();
    QCoreApplication::processEvents();
    if (!grid->isHidden())
        HighlightRow(std::min(ReselectRow, grid->Rows() - 1));
    ShowAdminMode();
    m_ctx.prompts.MsgBox(QStringLiteral("The name has been removed") + crLf +
                             QStringLiteral("from the 'User List'."),
                         MsgButtons::OKOnly, MsgIcon::Information, QStringLiteral("Name removed"));
}
