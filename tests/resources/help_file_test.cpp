#include <filesystem>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

const fs::path kHelpSources = KORVANE_HELP_SOURCE_DIR;
const std::string kCompiled = KORVANE_PORTABLE_DIR "/KVhelp.chm";

std::set<std::string> FilesEndingIn(const std::string& suffix) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(kHelpSources)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > suffix.size() && name.ends_with(suffix)) {
            names.insert(name);
        }
    }
    return names;
}

QString Source(const std::string& name) {
    return QString::fromStdString(test::ReadFileBytes((kHelpSources / name).string()));
}

// Runs chmls with the arguments; its listing goes to standard output, and the reason
// it failed to standard error.
QString Chmls(const QStringList& arguments) {
    QProcess chmls;
    chmls.start(QStringLiteral(KORVANE_CHMLS), arguments);
    EXPECT_TRUE(chmls.waitForFinished(30000));
    EXPECT_EQ(chmls.exitCode(), 0) << chmls.readAllStandardError().toStdString();
    return QString::fromUtf8(chmls.readAllStandardOutput());
}

// chmls opens a file for itself alone (flock with LOCK_NB): two tests reading the one
// built file at once made one of them fail with EAGAIN. Each reads a copy of its own.
QString CompiledCopy(const test::TempFolder& folder) {
    const std::string copy = folder.file("KVhelp.chm");
    fs::copy_file(kCompiled, copy);
    return QString::fromStdString(copy);
}

// Every value of the attribute (href, src, or a sitemap's "Local" parameter) in the text.
QStringList Targets(const QString& text, const QString& pattern) {
    QStringList targets;
    QRegularExpressionMatchIterator it = QRegularExpression(pattern).globalMatch(text);
    while (it.hasNext()) {
        targets << it.next().captured(1);
    }
    return targets;
}

const QString kLinks = QStringLiteral(R"re((?:href|src)\s*=\s*"([^"]*)")re");
const QString kSitemapPages = QStringLiteral(R"re(name="Local"\s+value="([^"]*)")re");

TEST(HelpFileTest, CompiledFileHoldsEveryPageOfTheSources) {
    const std::set<std::string> pages = FilesEndingIn(".html");
    ASSERT_GE(pages.size(), 15u);
    const test::TempFolder folder;
    const QStringList listed = Chmls({QStringLiteral("--name-only"), QStringLiteral("list"), CompiledCopy(folder)})
                                   .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    std::set<std::string> inside;
    for (const QString& line : listed) {
        inside.insert(line.trimmed().toStdString());
    }
    for (const std::string& page : pages) {
        EXPECT_TRUE(inside.count("/" + page)) << page << " is missing from KVhelp.chm";
    }
    for (const char* support : {"/korvane.css", "/KVhelp.hhc", "/KVhelp.hhk"}) {
        EXPECT_TRUE(inside.count(support)) << support << " is missing from KVhelp.chm";
    }
}

TEST(HelpFileTest, CompiledPagesAreTheCurrentSources) {
    test::TempFolder folder;
    const QString compiled = CompiledCopy(folder);
    const std::string pages = folder.file("pages");
    fs::create_directory(pages);
    Chmls({QStringLiteral("extractall"), compiled, QString::fromStdString(pages)});
    for (const std::string& page : FilesEndingIn(".html")) {
        const std::string extracted = pages + "/" + page;
        if (!fs::is_regular_file(extracted)) {
            ADD_FAILURE() << page << " could not be extracted from KVhelp.chm";
            continue;
        }
        EXPECT_EQ(test::ReadFileBytes(extracted), test::ReadFileBytes((kHelpSources / page).string())) << page;
    }
}

TEST(HelpFileTest, ContentsAndProjectNameEveryPage) {
    const QString contents = Source("KVhelp.hhc");
    const QStringList inContents = Targets(contents, kSitemapPages);
    const QString project = Source("KVhelp.hhp");
    for (const std::string& page : FilesEndingIn(".html")) {
        const QString name = QString::fromStdString(page);
        EXPECT_TRUE(inContents.contains(name)) << page << " has no place in the contents";
        EXPECT_TRUE(project.contains(QLatin1Char('\n') + name + QLatin1Char('\n'))) << page << " is not in the project";
    }
}

TEST(HelpFileTest, EveryLinkLeadsToAPageOfTheHelp) {
    // The help is read offline: every link and picture stays inside it.
    const std::set<std::string> pages = FilesEndingIn(".html");
    std::set<std::string> sources = pages;
    sources.merge(FilesEndingIn(".hhc"));
    sources.merge(FilesEndingIn(".hhk"));
    for (const std::string& source : sources) {
        const QString text = Source(source);
        QStringList targets = Targets(text, kLinks) + Targets(text, kSitemapPages);
        for (const QString& target : targets) {
            const QString file = target.section(QLatin1Char('#'), 0, 0);
            if (file.isEmpty()) {
                continue; // a place on the same page
            }
            EXPECT_FALSE(file.contains(QLatin1Char(':')) || file.startsWith(QLatin1Char('/')))
                << source << " links outside the help: " << target.toStdString();
            EXPECT_TRUE(fs::is_regular_file(kHelpSources / file.toStdString()))
                << source << " links to a missing file: " << target.toStdString();
        }
    }
}

TEST(HelpFileTest, EveryPageHasATitleAndTheStylesheet) {
    for (const std::string& page : FilesEndingIn(".html")) {
        const QString text = Source(page);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("<title>[^<]+</title>")).match(text).hasMatch()) << page;
        EXPECT_TRUE(text.contains(QStringLiteral("href=\"korvane.css\""))) << page;
    }
}

} // namespace
} // namespace korvane
