#include "LoginDialog.h"

#include "base/Exceptions.h"
#include "base/ProgramState.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace {
const QString rememberedOperator = QStringLiteral("login/operator");
const QString rememberedBranch = QStringLiteral("login/branch");
} // namespace

LoginDialog::LoginDialog(const QString& database, bool askPassword, Attempt attempt,
                         QWidget* parent)
    : QDialog(parent), m_attempt(std::move(attempt)), m_asksPassword(askPassword),
      m_operator(new QLineEdit(this)), m_password(new QLineEdit(this)),
      m_branch(new QLineEdit(this)), m_message(new QLabel(this)),
      m_enter(new QPushButton(QStringLiteral("&Entrar"), this)), m_wait(new QTimer(this))
{
    setObjectName(QStringLiteral("dlgLogin"));
    setWindowTitle(QStringLiteral("KLX — Entrar"));
    m_operator->setObjectName(QStringLiteral("edtOperador"));
    m_operator->setMaxLength(10); // OPERADOR.CDOPERADOR
    m_password->setObjectName(QStringLiteral("edtSenha"));
    m_password->setEchoMode(QLineEdit::Password);
    m_branch->setObjectName(QStringLiteral("edtFilial"));
    m_branch->setMaxLength(2); // FILIAL.CDFILIAL
    m_message->setObjectName(QStringLiteral("lblMensagem"));
    m_message->setWordWrap(true);
    m_message->setStyleSheet(QStringLiteral("color: #b00020"));
    m_enter->setObjectName(QStringLiteral("btnEntrar"));
    m_enter->setDefault(true);
    m_enter->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    m_wait->setObjectName(QStringLiteral("tmrEspera"));
    m_wait->setSingleShot(true);
    connect(m_wait, &QTimer::timeout, this, &LoginDialog::endWait);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("&Operador:"), m_operator);
    if (askPassword)
        fields->addRow(QStringLiteral("&Senha:"), m_password);
    else
        m_password->hide();
    fields->addRow(QStringLiteral("&Filial:"), m_branch);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_enter, QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("btnCancelar"));
    cancel->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_enter, &QPushButton::clicked, this, &LoginDialog::enter);
    auto* where = new QLabel(QStringLiteral("Banco: %1").arg(database), this);
    where->setObjectName(QStringLiteral("lblBanco"));
    where->setWordWrap(true);
    where->setEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(where);
    layout->addLayout(fields);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
    setMinimumWidth(320);
    fill(QString(), QString());
}

void LoginDialog::fill(const QString& operatorCode, const QString& branch)
{
    const ProgramState::Settings state;
    m_operator->setText(operatorCode.isEmpty() ? state.value(rememberedOperator).toString()
                                               : operatorCode);
    m_branch->setText(
        branch.isEmpty() ? state.value(rememberedBranch, QStringLiteral("01")).toString() : branch);
    // A remembered operator leaves the password to type, or the branch to confirm.
    (m_operator->text().isEmpty() ? m_operator
     : m_asksPassword             ? m_password
                                  : m_branch)
        ->setFocus();
}

void LoginDialog::setWaiting(bool waiting)
{
    m_enter->setEnabled(!waiting);
    for (QLineEdit* edit : {m_operator, m_password, m_branch})
        edit->setReadOnly(waiting);
}

void LoginDialog::endWait()
{
    setWaiting(false);
    m_message->setText(m_refusal);
}

int LoginDialog::delayAfter(int refusals)
{
    if (refusals < 3)
        return 0;
    return std::min(30, 1 << std::min(refusals - 2, 5));
}

void LoginDialog::enter()
{
    // Operators are server users, whose names the server keeps in capitals.
    const Login login{m_operator->text().trimmed().toUpper(), m_password->text(),
                      m_branch->text().trimmed()};
    if (login.operatorCode.isEmpty()) {
        m_message->setText(QStringLiteral("Informe o operador."));
        m_operator->setFocus();
        return;
    }
    try {
        m_attempt(login);
    } catch (const Exception& e) {
        ++m_refusals;
        m_password->clear();
        const int wait = delayAfter(m_refusals);
        m_refusal = e.Message();
        m_message->setText(
            wait == 0 ? e.Message()
                      : QStringLiteral("%1\nTente de novo em %2 s.").arg(e.Message()).arg(wait));
        if (wait > 0) {
            // Keys typed meanwhile would pile up behind the grey "Entrar": the fields take none.
            setWaiting(true);
            m_wait->start(wait * 1000);
        }
        QLineEdit* retyped = m_asksPassword ? m_password : m_operator;
        retyped->setFocus();
        retyped->selectAll();
        return;
    }
    m_refusals = 0;
    ProgramState::Settings state;
    state.setValue(rememberedOperator, login.operatorCode);
    state.setValue(rememberedBranch, login.branch);
    accept();
}
