#include "ui/WindowTexts.h"

#include "lang/Language.h"
#include "win32/Window.h"

void ApplyTexts(std::initializer_list<TextOf> texts)
{
    for (const auto& [control, key] : texts)
        win32::SetText(control, LangText(key));
}
