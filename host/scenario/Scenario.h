#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class ScreenDescription;

// One step of a scenario: its verb ("click", "expect", ...) and words, with its line.
struct ScenarioStep {
    int line = 0;
    QString verb;
    QStringList args;
};

// One case: a name and the steps that run in a fresh host.
struct ScenarioCase {
    QString file;
    int line = 0;
    QString name;
    QList<ScenarioStep> steps;
};

// A parsed scenario file, or the first reason it does not parse.
struct ScenarioFile {
    QString path;
    QList<ScenarioCase> cases;
    QString error; // "FILE:LINE: reason" when the file does not parse
};

namespace ScenarioParser {
// Reads and checks a scenario file: every step's verb and words, and the module variables it
// names against those the screen describes.
ScenarioFile parseFile(const QString& path, const ScreenDescription& screen);
ScenarioFile parse(const QString& text, const QString& path, const ScreenDescription& screen);
// Splits a line into words; quoted words may hold blanks, \" and \\. Raises an Exception.
QStringList tokenize(const QString& line);
} // namespace ScenarioParser
