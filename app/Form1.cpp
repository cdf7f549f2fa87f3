// SPDX-License-Identifier: GPL-3.0-or-later
#include "Form1.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "Accessibility.h"
#include "SitePages.h"
#include "Widgets.h"
#include "contract/EncoderContract.h"
#include "convert/BatchRun.h"
#include "files/FileList.h"
#include "files/OutputFolder.h"
#include "i18n/AccessTexts.h"
#include "i18n/LanguagePacks.h"
#include "i18n/LanguageTexts.h"
#include "platform/paths/PathBytes.h"
#include "platform/paths/ReadablePath.h"

// The artwork lives in a static library; its resources must be registered by hand.
static void InitArtwork() {
    Q_INIT_RESOURCE(vidmorf);
}

namespace vm {

namespace {
QString WithTrailingSeparator(QString folder) {
    if (!folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    return folder;
}

// CR LF and single CRs are line breaks in the thanks list.
QString DisplayLines(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}
}  // namespace

Form1::Form1(const Platform& platform, const QString& programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      platform_(platform),
      programFolder_(WithTrailingSeparator(programFolder)),
      list_(c_, names_),
      runView_(c_, names_) {
    InitArtwork();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Vidmorf 0.9 beta"));
    setWindowIcon(QIcon(QStringLiteral(":/vidmorf/icon.png")));
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(12);
    setFont(font);
    setFixedSize(Twips(0, 0, 7215, 6045).size());

    BuildForm1Controls(this, platform_.browser.widget(), c_);
    access_ = new Accessibility(this, c_);
    access_->applyNames(BuiltInAccessTexts());
    batch_ = std::make_unique<BatchRun>(platform_.files, platform_.processes, platform_.dialogs,
                                        runView_, messages_, programFolder_);
    batch_->setDesktopTexts(&desktopTexts_);
    connectHandlers();
}

Form1::~Form1() {
    platform_.browser.setDocumentCompleteHandler({});
}

void Form1::connectHandlers() {
    connect(c_.tabGroup, &QButtonGroup::idClicked, this, &Form1::Option7_Click);
    connect(c_.Combo7, &QComboBox::activated, this, [this] { Combo7_Click(); });
    platform_.browser.setDocumentCompleteHandler([this] { WebBrowser1_DocumentComplete(); });

    connect(c_.Command1, &QPushButton::clicked, this,
            [this] { AddFilesFromDialog(list_, platform_.dialogs, programFolder_); });
    connect(c_.List1, &DropList::filesDropped, this,
            [this](const QStringList& paths) { AddDroppedFiles(list_, paths); });
    connect(c_.Command9, &QPushButton::clicked, this, [this] { DeleteSelectedFile(list_); });
    connect(c_.Command8, &QPushButton::clicked, this,
            [this] { ClearFileList(list_, platform_.dialogs, messages_); });
    connect(c_.Command2, &QPushButton::clicked, this, [this] {
        const QString current = OutputFolderOf(c_.Text2, names_);
        const QString chosen = BrowseOutputFolder(platform_.dialogs, current);
        if (chosen != current) {
            ShowOutputFolder(c_.Text2, chosen, names_);
        }
    });

    connect(c_.Command3, &QPushButton::clicked, batch_.get(), &BatchRun::start);
    connect(c_.Command6, &QPushButton::clicked, batch_.get(), &BatchRun::requestStop);
    connect(c_.Command5, &QPushButton::clicked, batch_.get(), &BatchRun::forceStop);

    connect(c_.Command4, &QPushButton::clicked, this, [this] { OpenMakerPage(MakerHomePage()); });
    connect(c_.Label17, &ClickLabel::clicked, this, [this] { OpenMakerPage(MakerChatPage()); });
    connect(c_.Label18, &ClickLabel::clicked, this, [this] { OpenMakerPage(MakerWebLog()); });
    connect(c_.Label19, &ClickLabel::clicked, this, [this] { OpenMakerPage(MakerMail()); });
}

bool Form1::encoderIdle() const {
    return batch_->encoderIdle();
}

bool Form1::startUp() {
    hide();
    if (c_.Text2->text().isEmpty()) {
        ShowOutputFolder(c_.Text2, programFolder_ + QStringLiteral("output"), names_);
    }
    runView_.showProgress({.fileBarWidth = 0.f, .totalBarWidth = 0.f});

    const PackScan scan = ScanLanguagePacks(platform_.files, platform_.profiles, programFolder_);
    c_.Combo7->addItems(scan.languages);
    c_.Combo7->setCurrentIndex(-1);
    c_.Text4->setPlainText(DisplayLines(scan.thanks));

    if (!scan.remembered.isEmpty()) {
        // Chosen as the user would choose it: the language is applied at once.
        c_.Combo7->setCurrentIndex(c_.Combo7->findText(scan.remembered));
        Combo7_Click();
        if (!encoderPresent()) {
            return false;
        }
    } else {
        LoadBuiltInMessages(messages_);
        if (!encoderPresent()) {
            return false;
        }
        platform_.browser.navigate(ResourcePageUrl());
    }

    startUpComplete_ = true;
    centreOnScreen();
    show();
    return true;
}

bool Form1::encoderPresent() {
    if (platform_.files.isFile(programFolder_ + QLatin1StringView(contract::kEncoderFile.data()))) {
        return true;
    }
    const QString twoBreaks = QStringLiteral("\r\r");
    platform_.dialogs.messageBox(messages_[Message::Error],
                                 messages_[Message::EncoderMissing] + twoBreaks +
                                     messages_[Message::EncoderRequired] + twoBreaks +
                                     messages_[Message::CannotRun],
                                 MsgButtons::Ok, MsgIcon::Critical);
    close();
    return false;
}

void Form1::centreOnScreen() {
    if (QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!encoderIdle()) {
        platform_.dialogs.messageBox(messages_[Message::Error], messages_[Message::StillConverting],
                                     MsgButtons::Ok, MsgIcon::Exclamation);
        event->ignore();
    } else {
        event->accept();
    }
    MarkLanguagePacks(platform_.files, platform_.profiles, programFolder_,
                      c_.Combo7->currentText());
}

void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    emit shown();
}

void Form1::Option7_Click(int index) {
    if (index < 0 || index >= kTabCount) {
        return;
    }
    if (index == kResourceTab) {
        ShowResourcePage(c_.Combo7->currentText());
    }
    for (int i = 0; i < kTabCount; ++i) {
        c_.panels[i]->setVisible(i == index);
    }
}

void Form1::ShowResourcePage(const QString& name) {
    vm::ShowResourcePage(platform_.browser, name);
}

void Form1::WebBrowser1_DocumentComplete() {
    // A page that finishes loading while start-up is still under way (behind the message
    // about a missing encoder, say) must not bring up a window that is about to close.
    if (startUpComplete_ && !isVisible()) {
        show();
    }
}

void Form1::OpenMakerPage(const QString& target) {
    platform_.links.open(target);
}

void Form1::AddGivenFiles(const QStringList& paths) {
    AddDroppedFiles(list_, paths);
}

void Form1::Combo7_Click() {
    ApplyLanguage(c_.Combo7->currentText());
}

void Form1::ApplyLanguage(const QString& name) {
    ShowResourcePage(name);
    // Names that are not UTF-8 are read in the encoding that the language's users most
    // likely met.
    const QString outputFolder = OutputFolderOf(c_.Text2, names_);
    names_ = LegacyEncodingForLanguage(name);
    list_.showPathsAgain();
    if (HoldsForeignBytes(outputFolder)) {
        ShowOutputFolder(c_.Text2, outputFolder, names_);
    }
    const QString pack =
        FindLanguagePack(platform_.files, platform_.profiles, programFolder_, name);
    const LanguageTexts texts = ReadLanguageTexts(platform_.profiles, pack);
    ApplyControlTexts(this, c_, texts);
    messages_ = texts.messages;
    desktopTexts_ = ReadDesktopTexts(platform_.profiles, pack);
    SetCaption(c_.Label21, messages_.convertingCaption);
    access_->applyNames(ReadAccessTexts(platform_.profiles, pack));
}

}  // namespace vm
