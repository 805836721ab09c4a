// The help pages as a whole: every context the program gives out has a page, every link and
// picture of every page leads somewhere, every page can be reached from the contents, and
// the help window goes away with Escape.
#include "ui/HelpWindow.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTextBrowser>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace ui;

namespace {

const QString kHelpDir = QStringLiteral(":/res/help");

QString readPage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QStringList captures(const QString& text, const QString& pattern) {
    QStringList found;
    QRegularExpressionMatchIterator it = QRegularExpression(pattern).globalMatch(text);
    while (it.hasNext())
        found << it.next().captured(1);
    return found;
}

// Page number -> the page numbers its links lead to.
std::map<int, QList<int>> linksOfAllPages() {
    std::map<int, QList<int>> links;
    const QStringList names = QDir(kHelpDir).entryList(QDir::Files);
    for (const QString& name : names) {
        const int page = name.section(QLatin1Char('.'), 0, 0).toInt();
        QList<int>& to = links[page];
        for (const QString& href : captures(readPage(kHelpDir + QLatin1Char('/') + name),
                                            QStringLiteral("href=\"([^\"]*)\"")))
            to << href.section(QLatin1Char('.'), 0, 0).toInt();
    }
    return links;
}

// The help contexts the program's sources give out: numbers passed to SetHelpContext or
// ShowHelp, and the kHelpContext constants of the windows.
std::map<int, QStringList> contextsInTheSources() {
    const QString root = QDir(QStringLiteral(ZELMO_TEST_DATA "/../..")).canonicalPath();
    const QRegularExpression uses(QStringLiteral(
        "(?:SetHelpContext\\s*\\([^;]*?,\\s*|ShowHelp\\s*\\(\\s*|kHelpContext\\s*=\\s*)(\\d+)\\b"));
    std::map<int, QStringList> found;
    QDirIterator it(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = QDir(root).relativeFilePath(path);
        // Tests make up contexts of their own; the help window holds the list itself.
        if (rel.startsWith(QLatin1String("build")) || rel.startsWith(QLatin1String("tests/")) ||
            rel.startsWith(QLatin1String("ui/HelpWindow")) || rel.startsWith(QLatin1Char('.')))
            continue;
        for (const QString& number : captures(readPage(path), uses.pattern()))
            found[number.toInt()] << rel;
    }
    return found;
}

} // namespace

TEST(HelpPages, EveryKnownContextHasItsOwnPage) {
    std::set<int> seen;
    for (int context : kHelpContexts) {
        EXPECT_TRUE(seen.insert(context).second) << "listed twice: " << context;
        EXPECT_TRUE(IsKnownHelpContext(context));
        ASSERT_TRUE(HasHelpPage(context)) << context;
        ShowHelp(context);
        EXPECT_EQ(HelpWindow()->currentContext(), context);
        EXPECT_FALSE(HelpWindow()->browser()->documentTitle().isEmpty()) << context;
        EXPECT_TRUE(HelpWindow()->browser()->toPlainText().contains(
            HelpWindow()->browser()->documentTitle()))
            << "the header names the page: " << context;
    }
    EXPECT_TRUE(seen.count(kHelpContents));
    for (int unknown : {0, 1001, 1079, 9999})
        EXPECT_FALSE(IsKnownHelpContext(unknown)) << unknown;
}

TEST(HelpPages, EveryContextTheProgramGivesOutIsKnown) {
    const std::map<int, QStringList> used = contextsInTheSources();
    // The scan itself must see the program: the main window, the lists, the dialogs.
    for (int expected : {1000, 1030, 1060, 1070, 1075, 1078})
        EXPECT_TRUE(used.count(expected)) << "not found in the sources: " << expected;
    for (const auto& [context, files] : used)
        EXPECT_TRUE(IsKnownHelpContext(context))
            << context << " in " << files.join(QStringLiteral(", ")).toStdString();
}

TEST(HelpPages, EveryLinkAndPictureLeadsToSomethingThatExists) {
    const QStringList names = QDir(kHelpDir).entryList(QDir::Files);
    ASSERT_GE(names.size(), int(kHelpContexts.size()));
    const QRegularExpression pageName(QStringLiteral("^\\d{4}\\.html$"));
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(pageName.match(name).hasMatch());
        const QString html = readPage(kHelpDir + QLatin1Char('/') + name);
        ASSERT_FALSE(html.isEmpty());
        EXPECT_TRUE(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
        EXPECT_FALSE(captures(html, QStringLiteral("<title>([^<]+)</title>")).isEmpty());

        const QStringList hrefs = captures(html, QStringLiteral("href=\"([^\"]*)\""));
        for (const QString& href : hrefs) {
            // Only pages of our own: no addresses outside the program.
            EXPECT_TRUE(pageName.match(href).hasMatch()) << href.toStdString();
            EXPECT_TRUE(QFile::exists(kHelpDir + QLatin1Char('/') + href)) << href.toStdString();
        }
        EXPECT_TRUE(hrefs.contains(QStringLiteral("1000.html"))) << "no way back to the contents";

        const QStringList sources = captures(html, QStringLiteral("src=\"([^\"]*)\""));
        EXPECT_FALSE(sources.isEmpty()) << "the header's icon";
        for (const QString& src : sources) {
            ASSERT_TRUE(src.startsWith(QLatin1String("qrc:/"))) << src.toStdString();
            EXPECT_TRUE(QFile::exists(src.mid(3))) << src.toStdString();
        }
    }
}

TEST(HelpPages, EveryPageCanBeReachedFromTheContents) {
    const std::map<int, QList<int>> links = linksOfAllPages();
    std::set<int> reached{kHelpContents};
    QList<int> todo{kHelpContents};
    while (!todo.isEmpty()) {
        const int page = todo.takeFirst();
        const auto found = links.find(page);
        if (found == links.end())
            continue;
        for (int to : found->second)
            if (reached.insert(to).second)
                todo << to;
    }
    for (const auto& [page, to] : links)
        EXPECT_TRUE(reached.count(page)) << "no link leads to " << page;
    // The contents lists every topic directly, not only through other pages.
    const QList<int>& contents = links.at(kHelpContents);
    for (const auto& [page, to] : links) {
        if (page != kHelpContents) {
            EXPECT_TRUE(contents.contains(page)) << page;
        }
    }
}

TEST(HelpPages, FollowingALinkShowsThatPage) {
    ShowHelp(1060);
    QTextBrowser* browser = HelpWindow()->browser();
    browser->setSource(QUrl(QStringLiteral("1065.html")));
    EXPECT_EQ(HelpWindow()->currentContext(), 1065);
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("書庫の中身を見る")));
    browser->setSource(QUrl(QStringLiteral("1066.html")));
    EXPECT_EQ(HelpWindow()->currentContext(), 1066);
    browser->backward();
    EXPECT_EQ(HelpWindow()->currentContext(), 1065);
}

TEST(HelpPages, EscapeClosesTheHelpWindow) {
    ShowHelp(1000);
    THelpForm* form = HelpWindow();
    ASSERT_NE(form, nullptr);
    QApplication::setActiveWindow(form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));

    form->browser()->setFocus();
    QTest::keyClick(form->browser(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());

    // It comes back, the same window, on the next help; Escape on a button closes it too.
    ShowHelp(1042);
    EXPECT_EQ(HelpWindow(), form);
    EXPECT_TRUE(form->isVisible());
    QApplication::setActiveWindow(form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    auto* contents = form->findChild<QPushButton*>(QStringLiteral("ContentsButton"));
    ASSERT_NE(contents, nullptr);
    contents->setFocus();
    QTest::keyClick(contents, Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());

    // Other keys leave it open.
    ShowHelp(1000);
    QApplication::setActiveWindow(form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    QTest::keyClick(form->browser(), Qt::Key_Down);
    EXPECT_TRUE(form->isVisible());
}
