// Every option a program prints with --help is named in its manual page, so
// that the two cannot drift apart: a new option fails this test until the
// page describes it.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

struct Program {
    std::string name;
    QString path;
};

// MAN_PAGE_PROGRAMS is "name=path|name=path|...".
std::vector<Program> Programs()
{
    std::vector<Program> programs;
    for (const QString& entry : QStringLiteral(MAN_PAGE_PROGRAMS).split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        const qsizetype equals = entry.indexOf(QLatin1Char('='));
        programs.push_back({entry.left(equals).toStdString(), entry.mid(equals + 1)});
    }
    return programs;
}

// What the program prints for --help, on either stream, started without a
// display, a session bus or the user's own port map.
QString HelpText(const QString& path)
{
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(path, {QStringLiteral("--help")});
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return QString::fromUtf8(process.readAll());
}

// The options a text names: words that begin with one or two dashes and a
// letter ("--port", "-Register", the "-s" of "ln -s").
QSet<QString> OptionsIn(const QString& text)
{
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--?[A-Za-z][A-Za-z0-9-]*"));
    QSet<QString> options;
    for (const QRegularExpressionMatch& match : option.globalMatch(text))
        options.insert(match.captured());
    return options;
}

// A roff page as the reader sees its words: "\-" is a dash, font changes and
// zero-width escapes are dropped.
QString PlainText(const QString& roff)
{
    QString text = roff;
    text.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    text.replace(QStringLiteral("\\(aq"), QStringLiteral("'"));
    text.replace(QStringLiteral("\\(dq"), QStringLiteral("\""));
    text.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]|\\\\&|\\\\c")));
    return text;
}

void PrintTo(const Program& program, std::ostream* out) { *out << program.name; }

class ManPageTest : public ::testing::TestWithParam<Program> {};

TEST_P(ManPageTest, NamesEveryOptionOfTheHelpText)
{
    const Program& program = GetParam();
    const QString help = HelpText(program.path);
    const QSet<QString> options = OptionsIn(help);
    ASSERT_TRUE(help.contains(QStringLiteral("usage:"), Qt::CaseInsensitive) && !options.isEmpty())
        << "no usage from " << program.path.toStdString() << " --help:\n"
        << help.toStdString();

    QFile page(QStringLiteral(MAN_PAGE_FOLDER "/%1.1").arg(QString::fromStdString(program.name)));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << page.fileName().toStdString();
    const QSet<QString> named = OptionsIn(PlainText(QString::fromUtf8(page.readAll())));
    for (const QString& option : options)
        EXPECT_TRUE(named.contains(option)) << "--help names " << option.toStdString() << ", the manual page does not";
}

INSTANTIATE_TEST_SUITE_P(EveryProgram, ManPageTest, ::testing::ValuesIn(Programs()),
                         [](const ::testing::TestParamInfo<Program>& param) {
                             std::string name = param.param.name;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

}  // namespace
