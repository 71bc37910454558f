// The paravue program as a user starts it: the scenario from PARAVUE_SCENARIO,
// start-up failures on standard error, and the screenshot hook.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Outcome {
    int exitCode = -1;
    QString standardError;
};

class ProgramTest : public ::testing::Test {
  protected:
    QString WriteScenario(const char* json) {
        QString path = dir.filePath(QStringLiteral("scenario.json"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(json);
        return path;
    }

    Outcome Run(const QString& scenario, const QString& screenshot = {}) {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("PARAVUE_SCENARIO"), scenario);
        // Keeps Qt from warning about a missing runtime directory.
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        if (!screenshot.isEmpty())
            env.insert(QStringLiteral("PARAVUE_SCREENSHOT"), screenshot);
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(PARAVUE_APP_BINARY), {});
        EXPECT_TRUE(program.waitForFinished(120000)) << "paravue did not end by itself";
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        return {program.exitCode(), QString::fromUtf8(program.readAllStandardError())};
    }

    QTemporaryDir dir;
};

TEST_F(ProgramTest, AnUnreadableScenarioIsReportedWithoutAWindow) {
    Outcome outcome = Run(dir.filePath(QStringLiteral("missing.json")));
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(outcome.standardError.startsWith(QStringLiteral("paravue: ")));
    EXPECT_TRUE(outcome.standardError.contains(QStringLiteral("missing.json")));
    EXPECT_EQ(outcome.standardError.count(QChar(u'\n')), 1);
}

TEST_F(ProgramTest, WithoutTheInterfaceManagerItFailsWithOneLineAndStatusOne) {
    Outcome outcome = Run(WriteScenario(R"({"interfaceManager": {"hr": "0x80070422"}})"));
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.standardError,
              "paravue: cannot create the Mobile Broadband interface manager (status "
              "0x80070422)\n");
}

TEST_F(ProgramTest, WithoutAnyDisplayItSaysSoOnOneLineAndExitsOne) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    env.insert(QStringLiteral("PARAVUE_SCENARIO"),
               WriteScenario(R"({"interfaces": [{"interfaceId": "{IF-1}"}]})"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(PARAVUE_APP_BINARY), {});
    ASSERT_TRUE(program.waitForFinished(120000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);  // no abort, no core
    EXPECT_EQ(program.exitCode(), 1);
    const QString err = QString::fromUtf8(program.readAllStandardError());
    EXPECT_TRUE(err.startsWith(QStringLiteral("paravue: cannot open a window")))
        << err.toStdString();
    EXPECT_EQ(err.count(QChar(u'\n')), 1) << err.toStdString();
}

TEST_F(ProgramTest, SavesTheWindowWhenAskedForAScreenshotAndEnds) {
    const QString shot = dir.filePath(QStringLiteral("window.png"));
    Outcome outcome = Run(WriteScenario(R"({"interfaces": [{"interfaceId": "{IF-1}"}]})"), shot);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.standardError, "");
    QImage image(shot);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(955, 569));
}

// The command line is read before any window: help and version need no
// display; anything else, like a screenshot that cannot be written, is one
// line on standard error and a failing status.
TEST_F(ProgramTest, OptionsAnswerWithoutADisplayAndFailuresAreOneLine) {
    const QString scenario = WriteScenario(R"({"interfaces": [{"interfaceId": "{IF-1}"}]})");
    struct Case {
        QStringList arguments;
        QString screenshot;  // PARAVUE_SCREENSHOT, with a display (offscreen)
        int exitCode;
        const char* out;  // what standard output starts with
        const char* err;  // what the one line on standard error starts with
    } cases[] = {
        {{"--help"}, {}, 0, "Usage: paravue\n", nullptr},
        {{"-h"}, {}, 0, "Usage: paravue\n", nullptr},
        {{"--version"}, {}, 0, "Paravue for Mobile Data 1.0.0.1\n", nullptr},
        {{"--bogus"}, {}, 2, nullptr, "paravue: unknown argument '--bogus' (see paravue --help)"},
        {{"-geometry", "10x10"}, {}, 2, nullptr, "paravue: unknown argument '-geometry'"},
        {{"--modem"}, {}, 2, nullptr, "paravue: --modem needs a selector"},
        {{"--modem=1", "--modem", "2"}, {}, 2, nullptr, "paravue: --modem given more than once"},
        {{},
         dir.filePath(QStringLiteral("missing/dir/shot.png")),
         1,
         nullptr,
         "paravue: cannot write "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        if (!c.screenshot.isEmpty()) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            env.insert(QStringLiteral("PARAVUE_SCREENSHOT"), c.screenshot);
        }
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        env.insert(QStringLiteral("PARAVUE_SCENARIO"), scenario);
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(PARAVUE_APP_BINARY), c.arguments);
        ASSERT_TRUE(program.waitForFinished(120000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), c.exitCode);
        const QString out = QString::fromUtf8(program.readAllStandardOutput());
        const QString err = QString::fromUtf8(program.readAllStandardError());
        if (c.out)
            EXPECT_TRUE(out.startsWith(QString::fromUtf8(c.out))) << out.toStdString();
        else
            EXPECT_EQ(out, QString());
        if (c.err) {
            EXPECT_TRUE(err.startsWith(QString::fromUtf8(c.err))) << err.toStdString();
            EXPECT_EQ(err.count(QChar(u'\n')), 1) << err.toStdString();
        } else {
            EXPECT_EQ(err, QString());
        }
    }
}

}  // namespace
