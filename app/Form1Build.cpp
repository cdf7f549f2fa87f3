// SPDX-License-Identifier: GPL-3.0-or-later
// The make-up of the main window: every control with its list, position and initial state,
// panel by panel. The captions that a language switch sets come from the language table, at
// creation as at every switch.
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "Form1Controls.h"
#include "SiteConfig.h"
#include "Widgets.h"
#include "i18n/LanguageTexts.h"

namespace vm {

namespace {

template <typename W>
W* Place(W* widget, const char* name, const QRect& px) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(px);
    return widget;
}

QLabel* PlainLabel(QWidget* parent, const char* name, const QString& text = QString()) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

QPushButton* Button(QWidget* parent, const char* name, const QRect& px) {
    auto* button = Place(new QPushButton(parent), name, px);
    button->setAutoDefault(false);
    return button;
}

QRadioButton* Radio(QWidget* parent, const char* name, const QRect& px) {
    return Place(new QRadioButton(parent), name, px);
}

QGroupBox* Group(QWidget* parent, const char* name, const QRect& px) {
    return Place(new QGroupBox(parent), name, px);
}

QComboBox* Combo(QWidget* parent, const char* name, const QRect& px, const QStringList& entries,
                 const QString& initial) {
    auto* combo = Place(new QComboBox(parent), name, px);
    combo->setEditable(true);
    // Typing never adds an entry: the run takes the text as typed.
    combo->setInsertPolicy(QComboBox::NoInsert);
    for (const QString& entry : entries) {
        combo->addItem(entry, 0);
    }
    combo->setCurrentIndex(combo->findText(initial));
    combo->setEditText(initial);
    return combo;
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

const QColor kBlue(0, 0, 255);

QLabel* ValueBox(QWidget* parent, const char* name, int left, int top) {
    auto* box = Place(PlainLabel(parent, name, QString()), name, Twips(left, top, 975, 255));
    box->setFrameStyle(QFrame::Box | QFrame::Plain);
    box->setLineWidth(1);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    box->setAutoFillBackground(true);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Text));
    box->setPalette(palette);
    return box;
}

void BuildUpperStrip(QWidget* form, Form1Controls& c) {
    c.Image1 = Place(new QLabel(form), "Image1", Twips(0, 0, 7260, 1575));
    c.Image1->setPixmap(QPixmap(QStringLiteral(":/vidmorf/banner.png")));
    c.Image1->setScaledContents(true);

    c.Combo7 = Place(new QComboBox(form), "Combo7", Twips(5280, 240, 1815, 300));
    c.Combo7->setEditable(false);

    c.tabGroup = new QButtonGroup(form);
    c.tabGroup->setExclusive(true);
    for (int i = 0; i < kTabCount; ++i) {
        auto* tab = Button(form, "Option7", Twips(1200 * i, 1560, 1215, 375));
        tab->setProperty("index", i);
        tab->setCheckable(true);
        c.tabGroup->addButton(tab, i);
        c.Option7[i] = tab;
    }
    c.Option7[kResourceTab]->setChecked(true);
}

QFrame* Panel(QWidget* form, int index, const QRect& px) {
    const QByteArray name = "Frame0" + QByteArray::number(index);
    auto* panel = Place(new QFrame(form), name.constData(), px);
    panel->setFrameStyle(QFrame::NoFrame);
    panel->setVisible(index == kResourceTab);
    return panel;
}

void BuildFileListPanel(QFrame* panel, Form1Controls& c) {
    c.List1 = Place(new DropList(panel), "List1", Twips(240, 240, 5415, 3480));
    c.Command1 = Button(panel, "Command1", Twips(5880, 360, 1095, 375));
    c.Command9 = Button(panel, "Command9", Twips(5880, 960, 1095, 375));
    c.Command8 = Button(panel, "Command8", Twips(5880, 1560, 1095, 375));
}

void BuildSaveOptionsPanel(QFrame* panel, Form1Controls& c) {
    c.Frame6 = Group(panel, "Frame6", Twips(480, 480, 6255, 975));
    c.Text2 = Place(new QLineEdit(c.Frame6), "Text2", Twips(240, 360, 4575, 375));
    c.Command2 = Button(c.Frame6, "Command2", Twips(5040, 360, 975, 375));

    c.Frame4 = Group(panel, "Frame4", Twips(480, 1920, 6255, 975));
    c.Option6 = Radio(c.Frame4, "Option6", Twips(240, 240, 1455, 615));
    c.Option3 = Radio(c.Frame4, "Option3", Twips(2040, 240, 1455, 615));
    c.Option5 = Radio(c.Frame4, "Option5", Twips(3600, 240, 1095, 615));
    c.Option4 = Radio(c.Frame4, "Option4", Twips(4920, 240, 1215, 615));
    c.Option6->setChecked(true);
}

void BuildParametersPanel(QFrame* panel, Form1Controls& c) {
    c.Frame5 = Group(panel, "Frame5", Twips(360, 360, 6375, 735));
    // The format names are the same in every language.
    c.Option1 = Radio(c.Frame5, "Option1", Twips(600, 360, 1455, 255));
    SetCaption(c.Option1, QStringLiteral("avi"));
    c.Option2 = Radio(c.Frame5, "Option2", Twips(2280, 360, 1455, 255));
    SetCaption(c.Option2, QStringLiteral("wmv"));
    c.Option8 = Radio(c.Frame5, "Option8", Twips(4080, 360, 1575, 255));
    SetCaption(c.Option8, QStringLiteral("mp3"));
    c.Option1->setChecked(true);

    c.Frame1 = Group(panel, "Frame1", Twips(360, 1560, 3015, 1815));
    c.Label3 = PlainLabel(c.Frame1, "Label3");
    MakeAutoSizedRight(c.Label3, 1260, 360);
    c.Combo1 = Combo(c.Frame1, "Combo1", Twips(1440, 360, 1215, 300),
                     {"160x120", "220x176", "240x180", "320x240", "400x300", "480x360", "512x384",
                      "640x480", "720x576", "768x576", "800x600"},
                     QStringLiteral("320x240"));
    c.Label4 = PlainLabel(c.Frame1, "Label4");
    MakeAutoSizedRight(c.Label4, 1260, 840);
    c.Combo2 = Combo(c.Frame1, "Combo2", Twips(1440, 840, 1215, 300),
                     {"15", "24", "25", "29.97", "30"}, QStringLiteral("29.97"));
    c.Label5 = PlainLabel(c.Frame1, "Label5");
    MakeAutoSizedRight(c.Label5, 1260, 1320);
    c.Combo3 = Combo(c.Frame1, "Combo3", Twips(1440, 1320, 1215, 300),
                     {"48", "96", "160", "360", "768", "1000", "1600"}, QStringLiteral("360"));

    c.Frame2 = Group(panel, "Frame2", Twips(3600, 1560, 3135, 1815));
    c.Label6 = PlainLabel(c.Frame2, "Label6");
    MakeAutoSizedRight(c.Label6, 1380, 360);
    c.Combo4 = Combo(c.Frame2, "Combo4", Twips(1560, 360, 1215, 300),
                     {"16", "20", "24", "32", "48", "56", "64", "80", "112", "128", "160"},
                     QStringLiteral("56"));
    c.Label7 = PlainLabel(c.Frame2, "Label7");
    MakeAutoSizedRight(c.Label7, 1380, 840);
    c.Combo5 = Combo(c.Frame2, "Combo5", Twips(1560, 840, 1215, 300), {"22050", "44100"},
                     QStringLiteral("22050"));
    c.Label8 = PlainLabel(c.Frame2, "Label8");
    MakeAutoSizedRight(c.Label8, 1380, 1320);
    // Its two entries are language texts.
    c.Combo6 = Combo(c.Frame2, "Combo6", Twips(1560, 1320, 1215, 300), {}, QString());

    // Each caption names its box, to a screen reader as to the eye.
    c.Label3->setBuddy(c.Combo1);
    c.Label4->setBuddy(c.Combo2);
    c.Label5->setBuddy(c.Combo3);
    c.Label6->setBuddy(c.Combo4);
    c.Label7->setBuddy(c.Combo5);
    c.Label8->setBuddy(c.Combo6);
}

void BuildConversionPanel(QFrame* panel, Form1Controls& c) {
    c.Label21 = PlainLabel(panel, "Label21");
    MakeAutoSized(c.Label21, 240, 240);
    c.Label22 =
        Place(PlainLabel(panel, "Label22", QString()), "Label22", Twips(360, 600, 4935, 615));
    c.Label22->setWordWrap(true);
    c.Label22->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    c.Command3 = Button(panel, "Command3", Twips(5760, 120, 1095, 375));
    c.Command6 = Button(panel, "Command6", Twips(5760, 600, 1095, 375));
    c.Command5 = Button(panel, "Command5", Twips(5760, 1080, 1095, 375));
    c.Command6->setEnabled(false);
    c.Command5->setEnabled(false);

    c.Picture3 = new ProgressTrack(QStringLiteral("Picture3"), QStringLiteral("Picture1"), panel);
    c.Picture3->setGeometry(Twips(480, 1800, 6255, 255));
    c.Picture4 = new ProgressTrack(QStringLiteral("Picture4"), QStringLiteral("Picture2"), panel);
    c.Picture4->setGeometry(Twips(480, 2280, 6255, 255));

    c.Frame3 = Group(panel, "Frame3", Twips(480, 2640, 6255, 1095));
    QWidget* f = c.Frame3;
    c.Label9 = PlainLabel(f, "Label9");
    MakeAutoSizedRight(c.Label9, 1140, 360);
    c.Label1 = ValueBox(f, "Label1", 1320, 360);
    c.Label10 = PlainLabel(f, "Label10");
    MakeAutoSizedRight(c.Label10, 3600, 360);
    c.Label2 = ValueBox(f, "Label2", 3840, 360);
    c.Label12 = PlainLabel(f, "Label12", QStringLiteral("kb/s"));
    MakeAutoSized(c.Label12, 4920, 360);

    c.Label14 = PlainLabel(f, "Label14");
    MakeAutoSizedRight(c.Label14, 1080, 720);
    c.Label16 = ValueBox(f, "Label16", 1320, 720);
    c.Label11 = PlainLabel(f, "Label11");
    MakeAutoSizedRight(c.Label11, 3600, 720);
    c.Label15 = ValueBox(f, "Label15", 3840, 720);
    c.Label13 = PlainLabel(f, "Label13", QStringLiteral("kB"));
    MakeAutoSized(c.Label13, 4920, 720);
}

void BuildResourcePanel(QFrame* panel, QWidget* browserWidget, Form1Controls& c) {
    c.Label29 = Place(PlainLabel(panel, "Label29"), "Label29", Twips(45, 0, 7125, 225));
    c.Label29->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    SetTextColour(c.Label29, kBlue);

    browserWidget->setParent(panel);
    c.WebBrowser1 = Place(browserWidget, "WebBrowser1", Twips(0, 240, 7215, 3855));
}

ClickLabel* ContactLabel(QWidget* parent, const char* name, const QString& text, int top) {
    auto* label = new ClickLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setCursor(Qt::PointingHandCursor);
    SetTextColour(label, kBlue);
    MakeAutoSized(label, 360, top);
    return label;
}

void BuildAboutPanel(QFrame* panel, Form1Controls& c) {
    c.Label26 = PlainLabel(panel, "Label26", QStringLiteral("Vidmorf"));
    QFont title(QStringLiteral("SimSun"));
    title.setPointSize(12);
    title.setBold(true);
    c.Label26->setFont(title);
    MakeAutoSized(c.Label26, 360, 120);

    c.Label24 = PlainLabel(panel, "Label24", QStringLiteral("v0.9"));
    MakeAutoSized(c.Label24, 1440, 240);

    c.Label20 =
        PlainLabel(panel, "Label20", QStringLiteral("Vidmorf 项目出品 · 免费的自由软件，欢迎分享"));
    MakeAutoSized(c.Label20, 360, 600);

    c.Label19 = ContactLabel(panel, "Label19", QStringLiteral(VM_MAIL_CAPTION), 1080);
    c.Label17 = ContactLabel(panel, "Label17", QStringLiteral(VM_CHAT_CAPTION), 1320);
    c.Label18 = ContactLabel(panel, "Label18", QStringLiteral(VM_WEBLOG_CAPTION), 1560);

    c.Command4 = Button(panel, "Command4", Twips(5160, 480, 1455, 375));

    c.Frame8 = Group(panel, "Frame8", Twips(360, 1920, 4095, 1935));
    c.Text4 = Place(new QPlainTextEdit(c.Frame8), "Text4", Twips(120, 240, 3855, 1575));
    c.Text4->setReadOnly(true);
    c.Text4->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette grey = c.Text4->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Inactive, QPalette::Window));
    c.Text4->setPalette(grey);

    c.Label23 = Place(PlainLabel(panel, "Label23"), "Label23", Twips(4560, 1920, 2400, 1935));
    c.Label23->setWordWrap(true);
    c.Label23->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

}  // namespace

void BuildForm1Controls(QWidget* form, QWidget* browserWidget, Form1Controls& c) {
    BuildUpperStrip(form, c);
    for (int tab = 0; tab < kTabCount; ++tab) {
        // The resource page reaches a little higher and lower than the other panels.
        c.panels[tab] =
            Panel(form, tab,
                  tab == kResourceTab ? Twips(0, 1950, 7215, 4095) : Twips(0, 2040, 7215, 3975));
    }
    BuildFileListPanel(c.panels[kFileListTab], c);
    BuildSaveOptionsPanel(c.panels[kSaveOptionsTab], c);
    BuildParametersPanel(c.panels[kParametersTab], c);
    BuildConversionPanel(c.panels[kConversionTab], c);
    BuildResourcePanel(c.panels[kResourceTab], browserWidget, c);
    BuildAboutPanel(c.panels[kAboutTab], c);
    ApplyControlTexts(form, c, BuiltInLanguageTexts());
}

void ApplyControlTexts(QWidget* form, const Form1Controls& c, const LanguageTexts& texts) {
    for (const CaptionText& caption : texts.captions) {
        QWidget* control = nullptr;
        if (caption.index >= 0) {
            if (caption.objectName == QLatin1String("Option7") && caption.index < kTabCount) {
                control = c.Option7[caption.index];
            }
        } else {
            control = form->findChild<QWidget*>(caption.objectName);
        }
        if (control) {
            SetCaption(control, caption.text);
        }
    }

    const QSignalBlocker quiet(c.Combo6);
    c.Combo6->clear();
    c.Combo6->addItem(texts.stereo, 2);  // the item data: the channel count
    c.Combo6->addItem(texts.mono, 1);
    c.Combo6->setCurrentIndex(0);
}

}  // namespace vm
