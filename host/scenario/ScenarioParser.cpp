#include "scenario/Scenario.h"

#include "base/Exceptions.h"
#include "controls/Colors.h"
#include "form/ScreenDescription.h"

#include <QFile>
#include <QRegularExpression>
#include <functional>

namespace {

using Check = std::function<void(const QStringList& args)>;

void need(bool ok, const QString& reason)
{
    if (!ok)
        throw Exception(reason);
}

// Only the module's own variables are read, never another symbol of the process.
void needVariable(const QString& name, const ScreenDescription& screen)
{
    need(screen.variable(name) != nullptr,
         QStringLiteral("variável de módulo desconhecida '%1' (use %2)")
             .arg(name, screen.variableNames().join(QStringLiteral(", "))));
}

// A control character (a NUL byte, an escape sequence) would garble the lines that echo the
// step: only the tab, a blank, and the carriage return that ends a Windows line are taken.
void needNoControlCharacter(QStringView line)
{
    if (line.endsWith(u'\r'))
        line.chop(1);
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        need(c.category() != QChar::Other_Control || c == u'\t',
             QStringLiteral("caractere de controle U+%1 na coluna %2")
                 .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0'))
                 .arg(i + 1));
    }
}

bool isInteger(const QString& word)
{
    bool ok = false;
    word.toInt(&ok);
    return ok;
}

bool isDate(const QString& word)
{
    static const QRegularExpression pattern(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    return pattern.match(word).hasMatch();
}

Check count(int min, int max = -1)
{
    return [min, max](const QStringList& args) {
        const int n = args.size();
        if (max < 0)
            need(n >= min, QStringLiteral("esperadas ao menos %1 palavras, há %2").arg(min).arg(n));
        else if (min == max)
            need(n == min, QStringLiteral("esperadas %1 palavras, há %2").arg(min).arg(n));
        else
            need(n >= min && n <= max,
                 QStringLiteral("esperadas de %1 a %2 palavras, há %3").arg(min).arg(max).arg(n));
    };
}

void checkAction(const QString& verb, const QStringList& args)
{
    static const QHash<QString, Check> actions{
        {QStringLiteral("login"),
         [](const QStringList& a) {
             if (a == QStringList{QStringLiteral("dialog")})
                 return;
             count(1, 2)(a);
             for (const QString& word : a)
                 need(word.startsWith(QLatin1String("branch=")) ||
                          word.startsWith(QLatin1String("operator=")),
                      QStringLiteral("login espera branch=B operator=O, ou dialog"));
         }},
        {QStringLiteral("sql"), count(1, 1)},
        {QStringLiteral("db"),
         [](const QStringList& a) {
             need(a == QStringList{QStringLiteral("fail")}, QStringLiteral("use 'db fail'"));
         }},
        {QStringLiteral("open"), count(0, 0)},
        {QStringLiteral("activate"),
         [](const QStringList& a) {
             need(a.isEmpty() || a == QStringList{QStringLiteral("other")},
                  QStringLiteral("use 'activate' ou 'activate other'"));
         }},
        {QStringLiteral("load"), count(0, 0)},
        {QStringLiteral("unload"), count(0, 0)},
        {QStringLiteral("fail"),
         [](const QStringList& a) {
             need(a == QStringList{QStringLiteral("create")}, QStringLiteral("use 'fail create'"));
         }},
        {QStringLiteral("minimize"), count(0, 0)},
        {QStringLiteral("close"), count(0, 0)},
        {QStringLiteral("click"), count(1, 1)},
        {QStringLiteral("key"),
         [](const QStringList& a) {
             count(2, 5)(a);
             for (int i = 2; i < a.size(); ++i)
                 need(QStringList{QStringLiteral("shift"), QStringLiteral("ctrl"),
                                  QStringLiteral("alt")}
                          .contains(a.at(i)),
                      QStringLiteral("modificador desconhecido '%1'").arg(a.at(i)));
         }},
        {QStringLiteral("focus"), count(1, 1)},
        {QStringLiteral("wait"),
         [](const QStringList& a) {
             need(a.size() == 2 && a.first() == QLatin1String("enabled"),
                  QStringLiteral("use 'wait enabled CONTROLE'"));
         }},
        {QStringLiteral("type"), count(2, 2)},
        {QStringLiteral("keys"), count(2, 2)},
        {QStringLiteral("paste"), count(2, 2)},
        {QStringLiteral("clear"), count(1, 1)},
        {QStringLiteral("leave"), count(1, 1)},
        {QStringLiteral("select"),
         [](const QStringList& a) {
             count(2, 2)(a);
             need(isInteger(a.at(1)), QStringLiteral("índice inválido '%1'").arg(a.at(1)));
         }},
        {QStringLiteral("pick"), count(1)},
        {QStringLiteral("declare"), count(1)},
        {QStringLiteral("command"),
         [](const QStringList& a) {
             count(1, 1)(a);
             need(QStringList{QStringLiteral("print"), QStringLiteral("preview"),
                              QStringLiteral("saveas"), QStringLiteral("edit")}
                      .contains(a.at(0)),
                  QStringLiteral("comando desconhecido '%1'").arg(a.at(0)));
         }},
    };
    const auto check = actions.constFind(verb);
    need(check != actions.constEnd(), QStringLiteral("passo desconhecido '%1'").arg(verb));
    check.value()(args);
}

// The module's variables an expectation names.
void checkVariables(const QString& what, const QStringList& args, const ScreenDescription& screen)
{
    if (what == QLatin1String("var")) {
        needVariable(args.at(0), screen);
    } else if (what == QLatin1String("codes")) {
        const ScreenDescription::Variable* variable = screen.variable(args.at(0));
        need(variable && variable->holdsText(),
             QStringLiteral("'%1' não é uma lista de códigos do módulo").arg(args.at(0)));
    } else if (what == QLatin1String("param") && args.at(1) == QLatin1String("same-as")) {
        needVariable(args.value(2), screen);
    }
}

void checkExpectation(const QStringList& args, const ScreenDescription& screen)
{
    need(!args.isEmpty(), QStringLiteral("expect sem o que esperar"));
    const QString what = args.first();
    const QStringList rest = args.mid(1);
    static const QHash<QString, Check> expectations{
        {QStringLiteral("message"),
         [](const QStringList& a) {
             count(1, 2)(a);
             if (a.size() == 1)
                 return;
             need(a.first() == QLatin1String("matching"),
                  QStringLiteral("use 'expect message TEXTO' ou 'expect message matching REGEX'"));
             const QRegularExpression pattern(a.at(1));
             need(pattern.isValid(),
                  QStringLiteral("expressão regular inválida: %1").arg(pattern.errorString()));
         }},
        {QStringLiteral("no"),
         [](const QStringList& a) {
             need(a == QStringList{QStringLiteral("message")},
                  QStringLiteral("use 'expect no message'"));
         }},
        {QStringLiteral("focus-at-message"), count(1, 1)},
        {QStringLiteral("focus"), count(1, 1)},
        {QStringLiteral("text"), count(2, 2)},
        {QStringLiteral("checked"), count(1, 1)},
        {QStringLiteral("unchecked"), count(1, 1)},
        {QStringLiteral("enabled"), count(1, 1)},
        {QStringLiteral("disabled"), count(1, 1)},
        {QStringLiteral("index"),
         [](const QStringList& a) {
             count(2, 2)(a);
             need(isInteger(a.at(1)), QStringLiteral("índice inválido '%1'").arg(a.at(1)));
         }},
        {QStringLiteral("var"), count(2, 2)},
        {QStringLiteral("codes"), count(2)},
        {QStringLiteral("forms"),
         [](const QStringList& a) {
             count(1, 1)(a);
             need(isInteger(a.at(0)), QStringLiteral("número inválido '%1'").arg(a.at(0)));
         }},
        {QStringLiteral("window"),
         [](const QStringList& a) {
             count(1, 1)(a);
             need(QStringList{QStringLiteral("normal"), QStringLiteral("minimized"),
                              QStringLiteral("closed")}
                      .contains(a.at(0)),
                  QStringLiteral("estado de janela desconhecido '%1'").arg(a.at(0)));
         }},
        {QStringLiteral("cursor-history"),
         [](const QStringList& a) {
             for (const QString& word : a)
                 need(word == QLatin1String("hourglass") || word == QLatin1String("default"),
                      QStringLiteral("cursor desconhecido '%1'").arg(word));
         }},
        {QStringLiteral("picker"),
         [](const QStringList& a) {
             need(!a.isEmpty(), QStringLiteral("expect picker sem o que esperar"));
             const QString p = a.first();
             if (p == QLatin1String("title"))
                 count(2, 2)(a);
             else if (p == QLatin1String("rows") || p == QLatin1String("columns"))
                 count(2)(a);
             else if (p == QLatin1String("cell"))
                 count(4, 4)(a);
             else
                 need(a == QStringList{QStringLiteral("not"), QStringLiteral("shown")},
                      QStringLiteral("expect picker desconhecido '%1'").arg(p));
         }},
        {QStringLiteral("login"),
         [](const QStringList& a) {
             const bool named = a.size() == 2 && a.at(0).startsWith(QLatin1String("branch=")) &&
                                a.at(1).startsWith(QLatin1String("operator="));
             need(named || a == QStringList{QStringLiteral("dialog")} ||
                      a == QStringList{QStringLiteral("none")},
                  QStringLiteral("use 'expect login branch=B operator=O', 'expect login dialog' "
                                 "ou 'expect login none'"));
         }},
        {QStringLiteral("ran"), count(1, 1)},
        {QStringLiteral("not"),
         [](const QStringList& a) {
             need(a == QStringList{QStringLiteral("ran")}, QStringLiteral("use 'expect not ran'"));
         }},
        {QStringLiteral("param"),
         [](const QStringList& a) {
             count(2, 3)(a);
             const QString kind = a.at(1);
             if (kind == QLatin1String("unassigned") || kind == QLatin1String("undeclared"))
                 count(2, 2)(a);
             else if (kind == QLatin1String("integer"))
                 need(a.size() == 3 && isInteger(a.at(2)), QStringLiteral("inteiro inválido"));
             else if (kind == QLatin1String("datetime"))
                 need(a.size() == 3 && (a.at(2) == QLatin1String("0") || isDate(a.at(2))),
                      QStringLiteral("data inválida (use AAAA-MM-DD ou 0)"));
             else if (kind != QLatin1String("same-as"))
                 need(a.size() == 3 && kind == QLatin1String("string"),
                      QStringLiteral("tipo de parâmetro desconhecido '%1'").arg(kind));
         }},
        {QStringLiteral("caption"), count(2, 2)},
        {QStringLiteral("tooltip"), count(2, 2)},
        {QStringLiteral("geometry"),
         [](const QStringList& a) {
             count(5, 5)(a);
             for (int i = 1; i < 5; ++i)
                 need(isInteger(a.at(i)), QStringLiteral("número inválido '%1'").arg(a.at(i)));
         }},
        {QStringLiteral("tab"),
         [](const QStringList& a) {
             count(2, 2)(a);
             need(isInteger(a.at(1)) || a.at(1) == QLatin1String("none"),
                  QStringLiteral("número inválido '%1'").arg(a.at(1)));
         }},
        {QStringLiteral("items"), count(1)},
        {QStringLiteral("mask"), count(2, 2)},
        {QStringLiteral("font"),
         [](const QStringList& a) {
             need(a.size() == 2 || a.size() == 4,
                  QStringLiteral("use 'expect font CONTROLE [FAMÍLIA ALTURA] bold|normal'"));
             need(a.last() == QLatin1String("bold") || a.last() == QLatin1String("normal"),
                  QStringLiteral("use bold ou normal"));
             if (a.size() == 4)
                 need(isInteger(a.at(2)), QStringLiteral("altura inválida '%1'").arg(a.at(2)));
         }},
        {QStringLiteral("color"),
         [](const QStringList& a) {
             count(2, 2)(a);
             need(Colors::fromName(a.at(1)).isValid(),
                  QStringLiteral("cor desconhecida '%1'").arg(a.at(1)));
         }},
        {QStringLiteral("msg"), count(2, 2)},
    };
    const auto check = expectations.constFind(what);
    need(check != expectations.constEnd(),
         QStringLiteral("expectativa desconhecida '%1'").arg(what));
    check.value()(rest);
    checkVariables(what, rest, screen);
}

} // namespace

QStringList ScenarioParser::tokenize(const QString& line)
{
    QStringList words;
    int i = 0;
    while (i < line.size()) {
        if (line.at(i).isSpace()) {
            ++i;
            continue;
        }
        QString word;
        if (line.at(i) == QLatin1Char('"')) {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const QChar c = line.at(i++);
                if (c == QLatin1Char('"')) {
                    closed = true;
                    break;
                }
                if (c == QLatin1Char('\\')) {
                    need(i < line.size(), QStringLiteral("'\\' no fim da linha"));
                    const QChar escaped = line.at(i++);
                    need(escaped == QLatin1Char('"') || escaped == QLatin1Char('\\') ||
                             escaped == QLatin1Char('n'),
                         QStringLiteral("escape inválido '\\%1'").arg(escaped));
                    // "\n" is a line break, as a tooltip of several lines holds.
                    word += escaped == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : escaped;
                } else {
                    word += c;
                }
            }
            need(closed, QStringLiteral("aspas não fechadas"));
            need(i >= line.size() || line.at(i).isSpace(),
                 QStringLiteral("texto colado depois das aspas"));
        } else {
            while (i < line.size() && !line.at(i).isSpace())
                word += line.at(i++);
        }
        words << word;
    }
    return words;
}

ScenarioFile ScenarioParser::parse(const QString& text, const QString& path,
                                   const ScreenDescription& screen)
{
    ScenarioFile file;
    file.path = path;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines.at(n).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        try {
            needNoControlCharacter(lines.at(n));
            if (line.startsWith(QLatin1String("case ")) || line == QLatin1String("case")) {
                const QString name = line.mid(4).trimmed();
                need(!name.isEmpty(), QStringLiteral("caso sem nome"));
                file.cases.append({path, n + 1, name, {}});
                continue;
            }
            need(!file.cases.isEmpty(), QStringLiteral("passo antes do primeiro 'case'"));
            QStringList words = tokenize(line);
            ScenarioStep step{n + 1, words.takeFirst(), words};
            if (step.verb == QLatin1String("expect"))
                checkExpectation(step.args, screen);
            else
                checkAction(step.verb, step.args);
            file.cases.last().steps.append(step);
        } catch (const Exception& e) {
            file.error = QStringLiteral("%1:%2: %3").arg(path).arg(n + 1).arg(e.Message());
            file.cases.clear();
            return file;
        }
    }
    if (file.cases.isEmpty())
        file.error = QStringLiteral("%1:1: nenhum caso no arquivo").arg(path);
    return file;
}

ScenarioFile ScenarioParser::parseFile(const QString& path, const ScreenDescription& screen)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        ScenarioFile file;
        file.path = path;
        file.error = QStringLiteral("%1:0: não foi possível ler: %2").arg(path, f.errorString());
        return file;
    }
    return parse(QString::fromUtf8(f.readAll()), path, screen);
}
