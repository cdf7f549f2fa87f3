// SPDX-License-Identifier: GPL-3.0-or-later
// The cmd.exe script line's words, read back through a model of what cmd does to a batch
// file's line and of how the program splits its command line (CommandLineToArgvW): every
// value arrives as it was typed, and nothing on the line is taken as an operator by cmd.
// The real cmd.exe runs the line in the Windows process tests.
#include <QTest>

#include "platform/ScriptLine.h"

using namespace vm;

namespace {

// cmd on a batch line: "%%" becomes '%'; a '"' toggles quoting; outside quotes a caret
// escapes the next character and & | < > would be operators (a fault here: *stray is set).
QString cmdLine(const QString& line, bool* stray) {
    QString halved;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '%') {
            if (i + 1 >= line.size() || line[i + 1] != '%') {
                *stray = true;  // a lone '%' would start a variable
            }
            ++i;
        }
        halved += line[i];
    }
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < halved.size(); ++i) {
        const QChar c = halved[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == '^' && i + 1 < halved.size()) {
            out += halved[++i];
            continue;
        } else if (!quoted && QStringLiteral("&|<>^").contains(c)) {
            *stray = true;
        }
        out += c;
    }
    *stray = *stray || quoted;
    return out;
}

// CommandLineToArgvW on the arguments (after the program's name).
QStringList argv(const QString& line) {
    QStringList words;
    QString word;
    bool inWord = false;
    int quotes = 0;
    qsizetype backslashes = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if ((c == ' ' || c == '\t') && quotes == 0) {
            if (inWord) {
                words += word;
            }
            word.clear();
            inWord = false;
            backslashes = 0;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            word += c;
            ++backslashes;
        } else if (c == '"') {
            word.chop(backslashes / 2 + backslashes % 2);
            if (backslashes % 2 == 1) {
                word += '"';
            } else {
                ++quotes;
                while (i + 1 < line.size() && line[i + 1] == '"') {
                    ++i;
                    if (++quotes == 3) {
                        word += '"';
                        quotes = 0;
                    }
                }
                if (quotes == 2) {
                    quotes = 0;
                }
            }
            backslashes = 0;
        } else {
            word += c;
            backslashes = 0;
        }
    }
    if (inWord) {
        words += word;
    }
    return words;
}

}  // namespace

class TestCmdScriptLine : public QObject {
    Q_OBJECT

  private slots:
    // Paths in the system's notation, '%' doubled, the log's redirection quoted.
    void pathsAndTheLog() {
        QCOMPARE(ScriptPath("C:/a b/100%/x.flv"), QString("\"C:\\a b\\100%%\\x.flv\""));
        QCOMPARE(ScriptErrorTo("C:/T/tmp"), QString("2>\"C:\\T\\tmp\""));
        QCOMPARE(ScriptWord("29.97"), QString("29.97"));
        QCOMPARE(ScriptWord(""), QString("\"\""));
        QCOMPARE(ScriptWord("50%"), QString("\"50%%\""));
        // A folder path ends in a separator: its backslash must not escape the closing quote.
        QCOMPARE(argv(ScriptPath("C:/out/")), QStringList{"C:\\out\\"});
    }

    // Whatever a value holds, the program gets it whole and unchanged (but for a '"', which
    // becomes '), and cmd sees no operator, variable or open quote.
    void everyValueArrivesWhole() {
        for (const char* piece : {"a b",
                                  "&",
                                  "|",
                                  "<",
                                  ">",
                                  "^",
                                  "%PATH%",
                                  "%",
                                  "!x!",
                                  "\"",
                                  "\"\"",
                                  "\"\"\"",
                                  "a\"b",
                                  "a\\\"b",
                                  "a\\\\\"b",
                                  "\\",
                                  "end\\",
                                  "end\\\\",
                                  "\"a & b\" | c",
                                  "(x)",
                                  "360; del *",
                                  "中文 ü",
                                  "\\\"\\\"",
                                  "x\"^\"y",
                                  "\t"}) {
            const QString value = QString::fromUtf8(piece);
            bool stray = false;
            const QString line = "-a " + ScriptWord(value) + " " + ScriptPath(value) + " -z";
            const QStringList words = argv(cmdLine(line, &stray));
            QVERIFY2(!stray, qPrintable(line));
            const QString arrives = QString(value).replace('"', '\'');
            QCOMPARE(words, QStringList({"-a", arrives, arrives, "-z"}));
        }
    }

    // A line break in a value must not end the script's line: it becomes a blank.
    void lineBreaksStayOnTheLine() {
        const QString word = ScriptWord("1\r\n2\x1a");
        QVERIFY(!word.contains('\r') && !word.contains('\n') && !word.contains(QChar(0x1a)));
        QCOMPARE(word, QString("\"1  2 \""));
    }
};

QTEST_GUILESS_MAIN(TestCmdScriptLine)
#include "test_cmd_script_line.moc"
