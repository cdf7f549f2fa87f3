// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextBrowser.h"

#include <QDesktopServices>
#include <QHash>
#include <QRegularExpression>
#include <QTextBrowser>

namespace vm {

namespace {

QHash<QByteArray, TextSchemeAnswer>& Schemes() {
    static QHash<QByteArray, TextSchemeAnswer> schemes;
    return schemes;
}

const TextSchemeAnswer* AnswerFor(const QUrl& url) {
    const auto it = Schemes().constFind(url.scheme().toLatin1());
    return it == Schemes().constEnd() ? nullptr : &it.value();
}

// What a text browser shows for an address that no installed scheme answers.
QString CannotShow(const QUrl& url) {
    const QString address = url.toString().toHtmlEscaped();
    const bool web =
        url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
    QString html = QStringLiteral("<html><head><title>") + address +
                   QStringLiteral(
                       "</title></head><body><h3>此页面无法在这里显示</h3>"
                       "<p>This page cannot be shown here.</p><p><a href=\"") +
                   address + QStringLiteral("\">") + address + QStringLiteral("</a></p>");
    if (web) {
        html += QStringLiteral(
            "<p>点击链接，在浏览器中打开。<br>"
            "Click the link to open it in your web browser.</p>");
    }
    return html + QStringLiteral("</body></html>");
}

// A page as Qt's rich text reads it. It takes a linked style sheet only when the link says
// type="text/css", which HTML5 leaves out; and it knows HTML5's sectioning elements not at all
// (it would run a header into the heading below it), so they become blocks of their class,
// which the site's style sheet styles as it styles the elements.
QString AsQtRichText(QString html) {
    static const QRegularExpression link(
        QStringLiteral(R"((<link\b)(?=[^>]*\brel="?stylesheet)(?![^>]*\btype=))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression opening(QStringLiteral(R"(<(header|main|footer|nav)>)"));
    static const QRegularExpression closing(QStringLiteral(R"(</(header|main|footer|nav)>)"));
    return html.replace(link, QStringLiteral(R"(\1 type="text/css")"))
        .replace(opening, QStringLiteral(R"(<div class="\1">)"))
        .replace(closing, QStringLiteral("</div>"));
}

}  // namespace

void InstallTextScheme(const QByteArray& scheme, TextSchemeAnswer answer) {
    Schemes().insert(scheme, std::move(answer));
}

void RemoveTextScheme(const QByteArray& scheme) {
    Schemes().remove(scheme);
}

// Takes the resources of a page (style sheets, images) from the installed schemes; an address of
// any other scheme brings nothing, so that no page reaches out of the program.
class PageView : public QTextBrowser {
  public:
    PageView() {
        setOpenLinks(false);
        setOpenExternalLinks(false);
    }

    QVariant loadResource(int type, const QUrl& name) override {
        const QUrl url = document()->baseUrl().resolved(name);
        if (url.scheme() == QLatin1String("qrc") || url.isLocalFile()) {
            return QTextBrowser::loadResource(type, url);
        }
        const TextSchemeAnswer* answer = AnswerFor(url);
        return answer ? QVariant((*answer)(url).body) : QVariant();
    }
};

TextBrowser::TextBrowser() = default;

TextBrowser::~TextBrowser() {
    delete view_;
}

QTextBrowser* TextBrowser::view() {
    if (!view_) {
        view_ = new PageView;
        connect(view_, &QTextBrowser::anchorClicked, this, &TextBrowser::follow);
    }
    return view_;
}

QString TextBrowser::title() const {
    return view_ ? view_->documentTitle() : QString();
}

QString TextBrowser::locationUrl() const {
    if (shown_.isEmpty() || shown_ == QUrl(sent_)) {
        return sent_;
    }
    return shown_.toString();
}

void TextBrowser::navigate(const QString& url) {
    sent_ = url;
    load(QUrl(url));
}

void TextBrowser::setDocumentCompleteHandler(std::function<void()> handler) {
    onComplete_ = std::move(handler);
}

QWidget* TextBrowser::widget() {
    return view();
}

void TextBrowser::load(const QUrl& url) {
    QTextBrowser* page = view();
    page->document()->setBaseUrl(url);
    if (const TextSchemeAnswer* answer = AnswerFor(url)) {
        const TextPage reply = (*answer)(url);
        if (reply.contentType.startsWith("text/html")) {
            page->setHtml(AsQtRichText(QString::fromUtf8(reply.body)));
        } else {
            page->setPlainText(QString::fromUtf8(reply.body));
        }
    } else {
        page->setHtml(CannotShow(url));
    }
    if (url.hasFragment()) {
        page->scrollToAnchor(url.fragment());
    }
    shown_ = url;
    // As a browser engine reports a load: afterwards, from the event loop.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (onComplete_) {
                onComplete_();
            }
        },
        Qt::QueuedConnection);
}

void TextBrowser::follow(const QUrl& link) {
    const QUrl target = shown_.resolved(link);
    if (target.hasFragment() && target.matches(shown_, QUrl::RemoveFragment)) {
        view_->scrollToAnchor(target.fragment());
        shown_ = target;
    } else if (AnswerFor(target)) {
        load(target);
    } else {
        // The result is of no interest, as for the program's other links.
        QDesktopServices::openUrl(target);
    }
}

TextPageWindow::TextPageWindow(const QByteArray& scheme, QObject* parent)
    : QObject(parent), scheme_(scheme) {
    QDesktopServices::setUrlHandler(QString::fromLatin1(scheme_), this, "open");
}

TextPageWindow::~TextPageWindow() {
    QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme_));
}

QWidget* TextPageWindow::window() const {
    return browser_ ? browser_->widget() : nullptr;
}

void TextPageWindow::open(const QUrl& url) {
    if (!browser_) {
        browser_ = std::make_unique<TextBrowser>();
        browser_->widget()->resize(560, 420);
        browser_->setDocumentCompleteHandler(
            [this] { browser_->widget()->setWindowTitle(browser_->title()); });
    }
    browser_->navigate(url.toString());
    QWidget* shown = browser_->widget();
    shown->show();
    shown->raise();
    shown->activateWindow();
}

}  // namespace vm
