#pragma once

#include "base/CoreExport.h"

#include <QObject>
#include <QString>
#include <functional>

class TField;
class TParams;

using TObject = QObject;

// Modifier keys held while a key goes down.
enum TShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
using TShiftState = unsigned;

// What a form does when it is closed.
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

using TNotifyEvent = std::function<void(TObject* sender)>;
using TKeyEvent = std::function<void(TObject* sender, quint16& key, TShiftState shift)>;
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TFieldGetTextEvent = std::function<void(TField* sender, QString& text, bool displayText)>;
using TQueryParamsEvent = std::function<void(TParams* params, bool& handled)>;

// Virtual-key codes of the keys the screens react to.
namespace VirtualKey {
constexpr quint16 Enter = 13;
constexpr quint16 Escape = 27;
constexpr quint16 Space = 32;
constexpr quint16 F1 = 112;
constexpr quint16 F9 = 120;
constexpr quint16 F12 = 123;

// The virtual-key code of a Qt key, 0 when there is none.
KLX_CORE_EXPORT quint16 fromQtKey(int qtKey);
} // namespace VirtualKey
