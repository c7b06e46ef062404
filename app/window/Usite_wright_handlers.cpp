// The menu items, buttons and table clicks that neither retrieve nor upload.
#include "app/window/Usite_wright.h"

#include <QListView>

#include "app/widgets/message_dialogs.h"
#include "app/window/Uurl_edit.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "core/url_entry.h"
#include "ftp/Uftp_module.h"
#include "jobs/work_table.h"
#include "settings/SiteSettings.h"

namespace {

const QString kMakerPage = QStringLiteral("https://www.quorvane.example/");
const QString kProductPage = QStringLiteral("https://www.quorvane.example/sitewright/");
const QString kInquiryMail = QStringLiteral("mailto:support@quorvane.example");
const QString kProtocolPage = QStringLiteral("https://www.sitemaps.org/ja/protocol.html");

// A version box's texts, then the version of this build.
QString withBuildVersion(std::string_view box) {
    return QText(
        Concat({box, texts::kLineBreak, Filled(texts::kBuildVersion, {{"version", SW_VERSION}})}));
}

} // namespace

void TFsite_wright::OpenAddress(const QUrl& address) {
    urlOpener_(address);
}

void TFsite_wright::openWebPage(const QString& address) {
    SetStatusText(1, QText(texts::kWebConnection));
    SetStatusText(2, address);
    OpenAddress(QUrl(address));
}

void TFsite_wright::N2Click() {
    close();
}

void TFsite_wright::Button4Click() {
    close();
}

void TFsite_wright::N18Click() {
    PrepareDatFileIV();
    ShowInfo(withBuildVersion(texts::kReleaseVersion), QText(texts::kConfirm));
}

void TFsite_wright::IconButton13Click() {
    ShowInfo(withBuildVersion(texts::kHeaderVersion), QText(texts::kConfirm));
}

void TFsite_wright::N20Click() {
    SetAllChecked(true);
}

void TFsite_wright::N21Click() {
    SetAllChecked(false);
}

void TFsite_wright::N23Click() {
    SetAllChecked(true);
}

void TFsite_wright::N24Click() {
    SetAllChecked(false);
}

void TFsite_wright::N9Click() {
    std::error_code error;
    if (!std::filesystem::is_regular_file(manual_, error)) {
        ShowInfo(QText(Filled(texts::kManualMissing, {{"file", manual_.string()}})),
                 QText(texts::kConfirm));
        return;
    }
    OpenAddress(QUrl::fromLocalFile(QString::fromStdString(manual_.string())));
}

void TFsite_wright::Quorvane1Click() {
    openWebPage(kMakerPage);
}

void TFsite_wright::N22Click() {
    OpenAddress(QUrl(kInquiryMail));
}

void TFsite_wright::SITEWRIGHTGoogleSitemap1Click() {
    openWebPage(kProductPage);
}

void TFsite_wright::Google1Click() {
    openWebPage(kProtocolPage);
}

void TFsite_wright::N11Click() {
    // "Own site" opens the protocol page that its status text names.
    openWebPage(kProtocolPage);
}

void TFsite_wright::data_listClickCheck() {
    RecountChecked();
}

void TFsite_wright::data_listDblClick() {
    const int current = CurrentRow();
    if (current < 0 || !urlEdit_)
        return;
    const std::string row = table_->rowText(current);
    if (row.empty())
        return;
    if (retrievalRunning_) {
        // The table is cleared and refilled by the retrieval; an edit could hit another row.
        ShowRetrievalRunning();
        return;
    }
    SetStatusText(0,
                  QString::fromStdString(ReadableAddress(
                      table_->index(current).data(WorkTable::LinkRole).toString().toStdString())));
    urlEdit_->FillFromRow(row);
    if (ExecDialog(*urlEdit_) != QDialog::Accepted)
        return;
    table_->replaceRow(current, urlEdit_->BuildRow());
    data_list->viewport()->update();
    if (memory_) {
        // Kept for the address the server lists, which the next retrieval brings back.
        PageChoice choice =
            ChoiceOfRow(table_->rowText(current), table_->isChecked(current), defaults_);
        choice.address = RowAddress(row);
        memory_->Record({choice});
    }
}
