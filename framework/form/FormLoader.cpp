#include "form/FormLoader.h"

#include "base/Exceptions.h"
#include "base/TMessages.h"
#include "controls/Colors.h"
#include "controls/TBevel.h"
#include "controls/TButtonFlat.h"
#include "controls/TCheckBox.h"
#include "controls/TComboBox.h"
#include "controls/TDateEditPlus.h"
#include "controls/TGroupBox.h"
#include "controls/TLabel.h"
#include "controls/TMaskEdit.h"
#include "controls/TPanel.h"
#include "controls/TPopupMenu.h"
#include "controls/TRadioButton.h"
#include "form/ComponentRegistry.h"
#include "form/JsonValues.h"
#include "form/TForm.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>

namespace {

QFont fontFrom(QFont font, const QJsonObject& description)
{
    if (description.contains(QLatin1String("Name")))
        font.setFamily(description.value(QLatin1String("Name")).toString());
    if (description.contains(QLatin1String("Height"))) {
        const int height = description.value(QLatin1String("Height")).toInt();
        font.setPixelSize(height < 0 ? -height : height);
    }
    const QStringList styles = jsonStringList(description.value(QLatin1String("Style")));
    font.setBold(styles.contains(QLatin1String("fsBold")));
    font.setItalic(styles.contains(QLatin1String("fsItalic")));
    font.setUnderline(styles.contains(QLatin1String("fsUnderline")));
    return font;
}

void setBackground(QWidget* widget, const QColor& color)
{
    QPalette pal = widget->palette();
    pal.setColor(widget->backgroundRole(), color);
    if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget))
        Colors::setWhenEnabled(pal, QPalette::Base, color);
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

// The properties a form takes otherwise than other widgets, and its own.
bool applyFormProperty(TForm* form, const QString& property, const QJsonValue& value)
{
    if (property == QLatin1String("Left") || property == QLatin1String("Top")) {
        QPoint position = form->DesignPosition();
        (property == QLatin1String("Left") ? position.rx() : position.ry()) = value.toInt();
        form->SetDesignPosition(position);
    } else if (property == QLatin1String("Caption")) {
        form->SetCaption(value.toString());
    } else if (property == QLatin1String("Visible")) {
        // A form is shown when it is opened, not when it is loaded.
    } else if (property == QLatin1String("HelpContext")) {
        form->SetHelpContext(value.toInt());
    } else if (property == QLatin1String("FormStyle")) {
        form->SetFormStyle(value.toString() == QLatin1String("fsMDIChild") ? TFormStyle::fsMDIChild
                                                                           : TFormStyle::fsNormal);
    } else if (property == QLatin1String("BorderStyle")) {
        form->SetBorderStyle(value.toString() == QLatin1String("bsSingle")
                                 ? TFormBorderStyle::bsSingle
                                 : TFormBorderStyle::bsSizeable);
    } else {
        return false;
    }
    return true;
}

// Left, Top, Width and Height.
bool applyGeometry(QWidget* widget, const QString& property, const QJsonValue& value)
{
    QRect geometry = widget->geometry();
    if (property == QLatin1String("Left"))
        geometry.moveLeft(value.toInt());
    else if (property == QLatin1String("Top"))
        geometry.moveTop(value.toInt());
    else if (property == QLatin1String("Width") || property == QLatin1String("ClientWidth"))
        geometry.setWidth(value.toInt());
    else if (property == QLatin1String("Height") || property == QLatin1String("ClientHeight"))
        geometry.setHeight(value.toInt());
    else
        return false;
    widget->setGeometry(geometry);
    return true;
}

bool applyCaption(QWidget* widget, const QString& caption)
{
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(caption);
    else if (auto* group = qobject_cast<QGroupBox*>(widget))
        group->setTitle(caption);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(caption);
    else
        return false;
    return true;
}

bool applyComboProperty(TComboBox* combo, const QString& property, const QJsonValue& value)
{
    if (property == QLatin1String("Items")) {
        combo->clear();
        combo->addItems(jsonStringList(value));
    } else if (property == QLatin1String("ItemIndex")) {
        combo->SetItemIndex(value.toInt());
    } else if (property == QLatin1String("Style")) {
        combo->setEditable(value.toString() != QLatin1String("csDropDownList"));
    } else if (property == QLatin1String("ItemHeight")) {
        combo->SetItemHeight(value.toInt());
    } else {
        return false;
    }
    return true;
}

bool applyDateProperty(TDateEditPlus* date, const QString& property, const QJsonValue& value)
{
    if (property == QLatin1String("ValidColor"))
        date->SetValidColor(Colors::fromName(value.toString()));
    else if (property == QLatin1String("SaveTime"))
        date->SetSaveTime(value.toBool());
    else if (property == QLatin1String("NomeSemana"))
        date->SetNomeSemana(jsonStringList(value));
    else
        return false;
    return true;
}

bool applyEditProperty(TMaskEdit* edit, const QString& property, const QJsonValue& value)
{
    if (property == QLatin1String("EditMask"))
        edit->SetEditMask(value.toString());
    else if (property == QLatin1String("MaxLength"))
        edit->setMaxLength(value.toInt());
    else
        return false;
    return true;
}

} // namespace

FormLoader::FormLoader(TForm* form, const HandlerTable& handlers)
    : m_form(form), m_handlers(handlers)
{
}

void FormLoader::fail(const QString& reason) const
{
    QString where = m_resource;
    if (!m_component.isEmpty())
        where += QStringLiteral(", ") + m_component;
    throw EFormDescriptionError(
        QStringLiteral("Descrição de formulário inválida (%1): %2").arg(where, reason));
}

void FormLoader::apply(const QString& resourcePath)
{
    m_resource = resourcePath;
    m_component.clear();
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("não foi possível ler o arquivo"));
    const QByteArray text = file.readAll();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (document.isNull())
        fail(error.errorString());
    m_order.emplace(text);
    const QJsonObject root = document.object();
    const QString name = root.value(QLatin1String("name")).toString();
    if (!name.isEmpty())
        m_form->setObjectName(name);
    m_component = m_form->objectName();
    applyProperties(m_form, root.value(QLatin1String("properties")).toObject(),
                    QStringLiteral("/properties"));
    applyComponents(root, m_form, QString());
    applyTabOrder(m_form);
}

void FormLoader::applyComponents(const QJsonObject& description, QObject* parent,
                                 const QString& path)
{
    const QJsonArray components = description.value(QLatin1String("components")).toArray();
    for (int i = 0; i < components.size(); ++i)
        applyComponent(components.at(i).toObject(), parent,
                       path + QStringLiteral("/components/") + QString::number(i));
}

void FormLoader::applyComponent(const QJsonObject& description, QObject* parent,
                                const QString& path)
{
    const QString name = description.value(QLatin1String("name")).toString();
    m_component = name;
    if (name.isEmpty())
        fail(QStringLiteral("componente sem nome"));
    QObject* component = nullptr;
    if (description.value(QLatin1String("inherited")).toBool()) {
        component = m_form->findChild<QObject*>(name);
        if (!component)
            fail(QStringLiteral("componente herdado inexistente"));
    } else {
        if (m_form->findChild<QObject*>(name))
            fail(QStringLiteral("nome repetido"));
        component =
            createComponent(description.value(QLatin1String("class")).toString(), name, parent);
    }
    applyProperties(component, description.value(QLatin1String("properties")).toObject(),
                    path + QStringLiteral("/properties"));
    applyComponents(description, component, path);
    m_component = name;
}

QObject* FormLoader::createComponent(const QString& className, const QString& name, QObject* parent)
{
    QObject* component = ComponentRegistry::create(className, parent);
    if (!component)
        fail(QStringLiteral("classe desconhecida '%1'").arg(className));
    component->setObjectName(name);
    return component;
}

void FormLoader::applyProperties(QObject* component, const QJsonObject& properties,
                                 const QString& path)
{
    // In the order the description writes them, as a designer's form stream is read.
    for (const QString& property : m_order->keys(path))
        applyProperty(component, property, properties.value(property));
}

bool FormLoader::applyEvent(QObject* component, const QString& property, const QString& handler)
{
    const auto failure = [this](const QString& reason) { fail(reason); };
    if (auto* form = qobject_cast<TForm*>(component)) {
        if (property == QLatin1String("OnCreate"))
            form->OnCreate = findHandler(m_handlers.notify, handler, failure);
        else if (property == QLatin1String("OnActivate"))
            form->OnActivate = findHandler(m_handlers.notify, handler, failure);
        else if (property == QLatin1String("OnClose"))
            form->OnClose = findHandler(m_handlers.close, handler, failure);
        else
            return false;
        return true;
    }
    if (property == QLatin1String("OnClick")) {
        if (auto* radio = qobject_cast<TRadioButton*>(component))
            radio->OnClick = findHandler(m_handlers.notify, handler, failure);
        else if (auto* check = qobject_cast<TCheckBox*>(component))
            check->OnClick = findHandler(m_handlers.notify, handler, failure);
        else if (auto* button = qobject_cast<TButtonFlat*>(component))
            button->OnClick = findHandler(m_handlers.notify, handler, failure);
        else
            return false;
        return true;
    }
    if (property == QLatin1String("OnKeyDown")) {
        auto* radio = qobject_cast<TRadioButton*>(component);
        if (!radio)
            return false;
        radio->OnKeyDown = findHandler(m_handlers.key, handler, failure);
        return true;
    }
    if (property == QLatin1String("OnExit")) {
        auto* edit = qobject_cast<TMaskEdit*>(component);
        if (!edit)
            return false;
        edit->OnExit = findHandler(m_handlers.notify, handler, failure);
        return true;
    }
    if (property == QLatin1String("OnChange")) {
        auto* combo = qobject_cast<TComboBox*>(component);
        if (!combo)
            return false;
        combo->OnChange = findHandler(m_handlers.notify, handler, failure);
        return true;
    }
    return ComponentRegistry::applyEvent(component, property, handler, m_handlers, failure);
}

void FormLoader::applyProperty(QObject* component, const QString& property, const QJsonValue& value)
{
    if (property.startsWith(QLatin1String("On")) || property.startsWith(QLatin1String("Before")) ||
        property.startsWith(QLatin1String("After"))) {
        if (!applyEvent(component, property, value.toString()))
            fail(QStringLiteral("evento '%1' não se aplica").arg(property));
        return;
    }
    auto* menu = qobject_cast<TPopupMenu*>(component);
    if (menu && property == QLatin1String("Items")) {
        const QJsonArray items = value.toArray();
        for (const QJsonValue& item : items) {
            const QJsonObject description = item.toObject();
            menu->AddItem(description.value(QLatin1String("Caption")).toString(),
                          findHandler(m_handlers.notify,
                                      description.value(QLatin1String("OnClick")).toString(),
                                      [this](const QString& reason) { fail(reason); }));
        }
        return;
    }
    if (auto* widget = qobject_cast<QWidget*>(component); widget && !menu) {
        if (applyWidgetProperty(widget, property, value))
            return;
    } else if (property == QLatin1String("Left") || property == QLatin1String("Top")) {
        // Non-visual components keep their design position for the designer only.
        component->setProperty(property == QLatin1String("Left") ? "designLeft" : "designTop",
                               value.toInt());
        return;
    } else if (auto* messages = qobject_cast<TMessages*>(component)) {
        if (property == QLatin1String("Lines")) {
            messages->SetLines(jsonStringList(value));
            return;
        }
    }
    if (ComponentRegistry::applyProperty(component, property, value))
        return;
    fail(QStringLiteral("propriedade desconhecida '%1'").arg(property));
}

bool FormLoader::applyWidgetProperty(QWidget* widget, const QString& property,
                                     const QJsonValue& value)
{
    if (auto* form = qobject_cast<TForm*>(widget); form && applyFormProperty(form, property, value))
        return true;
    if (applyGeometry(widget, property, value) || applyAppearance(widget, property, value))
        return true;
    if (property == QLatin1String("Caption"))
        return applyCaption(widget, value.toString());
    if (property == QLatin1String("Checked")) {
        // Loading a description sets the state without raising click events.
        auto* button = qobject_cast<QAbstractButton*>(widget);
        if (button)
            button->setChecked(value.toBool());
        return button != nullptr;
    }
    if (auto* label = qobject_cast<TLabel*>(widget);
        label && property == QLatin1String("AutoSize")) {
        label->SetAutoSize(value.toBool());
        return true;
    }
    if (auto* combo = qobject_cast<TComboBox*>(widget))
        return applyComboProperty(combo, property, value);
    if (auto* date = qobject_cast<TDateEditPlus*>(widget);
        date && applyDateProperty(date, property, value))
        return true;
    if (auto* edit = qobject_cast<TMaskEdit*>(widget))
        return applyEditProperty(edit, property, value);
    if (auto* button = qobject_cast<TButtonFlat*>(widget))
        return applyButtonProperty(button, property, value);
    return false;
}

bool FormLoader::applyAppearance(QWidget* widget, const QString& property, const QJsonValue& value)
{
    if (property == QLatin1String("Hint")) {
        widget->setToolTip(value.toString());
    } else if (property == QLatin1String("ShowHint")) {
        widget->setProperty("showHint", value.toBool());
    } else if (property == QLatin1String("Font")) {
        widget->setFont(fontFrom(widget->font(), value.toObject()));
    } else if (property == QLatin1String("Color")) {
        const QColor color = Colors::fromName(value.toString());
        if (!color.isValid())
            fail(QStringLiteral("cor desconhecida '%1'").arg(value.toString()));
        if (auto* date = qobject_cast<TDateEditPlus*>(widget))
            date->SetBackground(color);
        else
            setBackground(widget, color);
    } else if (property == QLatin1String("TabOrder")) {
        widget->setProperty("tabOrder", value.toInt());
    } else if (property == QLatin1String("TabStop")) {
        if (!value.toBool())
            widget->setFocusPolicy(Qt::ClickFocus);
    } else if (property == QLatin1String("Enabled")) {
        widget->setEnabled(value.toBool());
    } else if (property == QLatin1String("Visible")) {
        widget->setVisible(value.toBool());
    } else if (property == QLatin1String("HelpContext")) {
        widget->setProperty("helpContext", value.toInt());
    } else {
        return false;
    }
    return true;
}

bool FormLoader::applyButtonProperty(TButtonFlat* button, const QString& property,
                                     const QJsonValue& value)
{
    if (property == QLatin1String("Flat")) {
        button->SetFlat(value.toBool());
    } else if (property == QLatin1String("NumGlyphs")) {
        button->SetNumGlyphs(value.toInt());
    } else if (property == QLatin1String("Glyph")) {
        button->SetGlyph(value.toString());
    } else if (property == QLatin1String("PopupMenu")) {
        auto* popup = m_form->findChild<TPopupMenu*>(value.toString());
        if (!popup)
            fail(QStringLiteral("menu '%1' inexistente").arg(value.toString()));
        button->setMenu(popup);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    } else {
        return false;
    }
    return true;
}

void FormLoader::applyTabOrder(QWidget* container)
{
    // Focusable controls in tab order, a container's controls where the container stands.
    QList<QWidget*> chain;
    std::function<void(QWidget*)> collect = [&](QWidget* parent) {
        QList<QWidget*> children;
        for (QObject* child : parent->children())
            if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isWindow())
                children << widget;
        std::stable_sort(children.begin(), children.end(), [](QWidget* a, QWidget* b) {
            return a->property("tabOrder").toInt() < b->property("tabOrder").toInt();
        });
        for (QWidget* child : children) {
            if (child->focusPolicy() & Qt::TabFocus)
                chain << child;
            collect(child);
        }
    };
    collect(container);
    for (int i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain.at(i - 1), chain.at(i));
}
