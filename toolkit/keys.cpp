#include "toolkit/keys.h"

#include <QKeyEvent>

namespace {

struct KeyPair {
    int qtKey;
    Word virtualKey;
};

constexpr KeyPair kNamedKeys[] = {
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB},       {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},  {Qt::Key_Enter, VK_RETURN},  {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},     {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Space, VK_SPACE},    {Qt::Key_PageUp, VK_PRIOR},  {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},        {Qt::Key_Home, VK_HOME},     {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},          {Qt::Key_Right, VK_RIGHT},   {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Insert, VK_INSERT},  {Qt::Key_Delete, VK_DELETE},
};

} // namespace

Word VirtualKeyOf(const QKeyEvent& event)
{
    const int key = event.key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return Word(key); // Qt uses the upper-case character codes, as virtual keys do
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return Word(VK_F1 + (key - Qt::Key_F1));
    for (const KeyPair& pair : kNamedKeys)
        if (pair.qtKey == key)
            return pair.virtualKey;
    return 0;
}

TShiftState ShiftStateOf(const QKeyEvent& event)
{
    TShiftState state;
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if (modifiers & Qt::ShiftModifier)
        state.Include(ssShift);
    if (modifiers & Qt::AltModifier)
        state.Include(ssAlt);
    if (modifiers & Qt::ControlModifier)
        state.Include(ssCtrl);
    return state;
}
