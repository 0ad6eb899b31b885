// Times the account picker of the check screen at 10,000 accounts: the user opens it,
// marks every row, confirms, and opens it again with all of them marked; and the dialog's
// parts with the same rows (opening with none, half or all marked, a search, marking all).
//
//   picker_bench [--database FILE] [--runs R]
//
// Without --database it generates (once) a data set with klx-gendata beside this program:
// 10,000 accounts of 50 companies, few checks.

#include "BenchSupport.h"
#include "OffscreenMessages.h"
#include "base/Dispatcher.h"
#include "base/Exceptions.h"
#include "base/ModuleLoader.h"
#include "controls/ListPickerDialog.h"
#include "controls/Pesqlista.h"
#include "data/Dbgeral.h"
#include "data/LoginContext.h"
#include "data/LoginContext_p.h"
#include "data/dtmDBGeral.h"
#include "form/ScreenDescription.h"
#include "form/TApplication.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableView>
#include <QTimer>
#include <algorithm>

using namespace Bench;

namespace {

QString milliseconds(double seconds)
{
    return figure(seconds * 1000, 1);
}

// The dialog shown and painted once, as the user first sees it.
void showAndPaint(ListPickerDialog& dialog)
{
    dialog.show();
    QCoreApplication::processEvents();
}

QTableView* rowsOf(QWidget* dialog)
{
    return dialog->findChild<QTableView*>(QStringLiteral("rows"));
}

// The check screen in a host window, its account group on "Lista".
class PickerScreen {
public:
    explicit PickerScreen(const QString& database)
    {
        dtmDBGeral = &m_database;
        DatabaseConfig config;
        config.path = database;
        m_database.open(config);
        LoginContext::SetBranch(QStringLiteral("01"));
        LoginContext::SetOperator(QStringLiteral("ADM"));
        auto* area = new QMdiArea;
        m_window.setCentralWidget(area);
        m_window.resize(1024, 700);
        m_application.SetMdiArea(area);
        m_window.show();
        QCoreApplication::processEvents();
        m_module.load();
        Dispatcher::run([&] { m_module.call("IniProc"); });
        QCoreApplication::processEvents();
        if (area->subWindowList().isEmpty())
            throw Exception(QStringLiteral("a tela não abriu"));
        m_form = area->subWindowList().first()->widget();
        m_screen = ScreenDescription::read(m_module);
        control("accountsList")->click();
    }

    ~PickerScreen()
    {
        qDeleteAll(m_window.findChildren<QMdiSubWindow*>());
        m_module.unload();
        dtmDBGeral = nullptr;
    }

    QAbstractButton* searchButton() const { return control("accountsSearch"); }
    QString& accountList()
    {
        const QString name = QStringLiteral("stListaConta");
        if (!m_screen.variable(name))
            throw Exception(QStringLiteral("a tela não descreve a variável %1").arg(name));
        return *static_cast<QString*>(m_module.symbol(name.toUtf8().constData()));
    }

    // What the account search asks the picker, and the seconds it took to ask.
    Pesqlista::Request request(double& seconds)
    {
        Pesqlista::Request asked;
        const Pesqlista::ScopedImplementation capture([&](const Pesqlista::Request& request) {
            asked = request;
            return std::optional<QStringList>();
        });
        QElapsedTimer clock;
        clock.start();
        searchButton()->click();
        seconds = clock.nsecsElapsed() / 1e9;
        return asked;
    }

    // The real dialog: the seconds from the click to the dialog shown, then what the user
    // does in it; returns when the search handler has returned.
    double openPicker(const std::function<void(QDialog*)>& inDialog)
    {
        QElapsedTimer clock;
        double shown = 0;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                QTimer::singleShot(1, [&] { shown = -1; });
                return;
            }
            QCoreApplication::processEvents();
            shown = clock.nsecsElapsed() / 1e9;
            inDialog(dialog);
        });
        clock.start();
        searchButton()->click();
        return shown;
    }

private:
    // The screen's control in that role, as the module describes it.
    QAbstractButton* control(const char* role) const
    {
        const QString name = m_screen.control(role);
        auto* button = m_form->findChild<QAbstractButton*>(name);
        if (!button)
            throw Exception(QStringLiteral("a tela não tem o controle %1").arg(name));
        return button;
    }

    TApplication m_application;
    TdtmDBGeral m_database;
    QMainWindow m_window;
    ModuleLoader m_module{ModuleLoader::pathFor(QStringLiteral("PKG_KLX47306"))};
    QWidget* m_form = nullptr;
    ScreenDescription m_screen;
};

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    quietOffscreenWarnings();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Mede a lista de seleção de contas."));
    parser.addHelpOption();
    const QCommandLineOption databaseOption(QStringLiteral("database"),
                                            QStringLiteral("Banco SQLite com as contas."),
                                            QStringLiteral("FILE"));
    const QCommandLineOption runsOption(QStringLiteral("runs"),
                                        QStringLiteral("Repetições de cada medida (3)."),
                                        QStringLiteral("R"), QStringLiteral("3"));
    parser.addOptions({databaseOption, runsOption});
    parser.process(app);
    const int runs = std::max(1, parser.value(runsOption).toInt());

    try {
        QString database = parser.value(databaseOption);
        if (!parser.isSet(databaseOption)) {
            database = QDir::tempPath() + QStringLiteral("/klx-bench-accounts.sqlite");
            generateOnce(database, QStringLiteral("sqlite"), 20000,
                         {QStringLiteral("--accounts"), QStringLiteral("10000")});
        }
        PickerScreen screen(database);
        double asking = 0;
        const Pesqlista::Request request = screen.request(asking);
        const int rows = static_cast<int>(request.table.keys.size());
        print(QStringLiteral("Banco: %1. Lista de contas da tela com %2 linhas; %3 execuções de "
                             "cada medida, vale a mais rápida.")
                  .arg(database)
                  .arg(rows)
                  .arg(runs));

        const auto line = [](const QString& what, double value) {
            print(QStringLiteral("  %1 %2 ms").arg(what, -60).arg(milliseconds(value), 7));
        };
        print(QStringLiteral("Como o usuário usa:"));
        const double query = fastest(runs, [&] { screen.request(asking); });
        line(QStringLiteral("Pesquisar: consulta e leitura das linhas, sem a janela"), query);
        double open = 1e30, markAll = 1e30, confirm = 1e30, reopen = 1e30;
        for (int i = 0; i < runs; ++i) {
            screen.accountList().clear();
            QElapsedTimer confirmClock;
            open = std::min(open, screen.openPicker([&](QDialog* dialog) {
                QElapsedTimer clock;
                clock.start();
                rowsOf(dialog)->selectAll(); // Ctrl+A
                markAll = std::min(markAll, clock.nsecsElapsed() / 1e9);
                confirmClock.start();
                dialog->accept();
            }));
            confirm = std::min(confirm, confirmClock.nsecsElapsed() / 1e9);
            reopen = std::min(reopen, screen.openPicker([](QDialog* dialog) { dialog->reject(); }));
        }
        if (Dbgeral::codesOf(screen.accountList()).size() != rows)
            throw Exception(QStringLiteral("as contas marcadas não voltaram todas"));
        line(QStringLiteral("Pesquisar até a lista na tela, nenhuma marcada"), open);
        line(QStringLiteral("marcar todas (Ctrl+A)"), markAll);
        line(QStringLiteral("confirmar: lista de códigos e o que a tela mostra"), confirm);
        line(QStringLiteral("Pesquisar de novo até a lista na tela, todas marcadas"), reopen);

        print(QStringLiteral("A janela sozinha, com as mesmas linhas:"));
        QStringList half;
        for (int i = 0; i < rows; i += 2)
            half << request.table.keys.at(i);
        for (const auto& [what, marked] :
             {std::pair{QStringLiteral("abrir, nenhuma marcada"), QStringList()},
              std::pair{
                  QStringLiteral("abrir, uma sim uma não marcadas (%1 trechos)").arg(half.size()),
                  half},
              std::pair{QStringLiteral("abrir, todas marcadas"), request.table.keys}}) {
            Pesqlista::Request opening = request;
            opening.marked = marked;
            line(what, fastest(runs, [&] {
                     ListPickerDialog dialog(opening);
                     showAndPaint(dialog);
                 }));
        }
        Pesqlista::Request alternate = request;
        alternate.marked = half;
        ListPickerDialog dialog(alternate);
        showAndPaint(dialog);
        auto* search = dialog.findChild<QLineEdit*>(QStringLiteral("search"));
        line(QStringLiteral("localizar, uma letra (uma sim uma não marcadas)"), fastest(runs, [&] {
                 search->setText(QStringLiteral("a"));
                 QCoreApplication::processEvents();
                 search->clear();
             }));
        line(QStringLiteral("localizar, um nome inteiro, e limpar"), fastest(runs, [&] {
                 search->setText(QStringLiteral("conta 0042"));
                 QCoreApplication::processEvents();
                 search->clear();
                 QCoreApplication::processEvents();
             }));
        line(QStringLiteral("códigos marcados, para a lista de códigos"),
             fastest(runs, [&] { dialog.markedKeys(); }));
        const double worst = std::max({open, markAll, confirm, reopen});
        print(QStringLiteral("Pior passo do usuário: %1 ms, %2 da meta de 300 ms.")
                  .arg(milliseconds(worst), figure(worst / 0.3 * 100, 0) + QStringLiteral(" %")));
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "picker_bench: %s\n", qUtf8Printable(e.Message()));
        return 1;
    }
}
