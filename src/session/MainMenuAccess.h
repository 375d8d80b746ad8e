#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "register/ProgramConfig.h"

namespace vrklad {

// Which items of the main menu are enabled. The fields carry the items'
// object names, so the window applies the state by name and tests read it.
struct MainMenuState {
    // "БД"
    bool MenuButtonSave = true;     // "Создать копию БД"
    bool MenuButtonRestore = true;  // "Восстановить БД из копии"
    bool N8 = true;                 // "Сжатие БД"
    bool MenuButtonExit = true;     // "Выход"
    // "Работа с БД"
    bool MenuButtonCorrect = true;  // "Коррекция записей"
    bool MenuButtonOrg = true;      // "Организации"
    bool N11 = true;                // "Заменить ОКПО"
    bool N20 = true;                // "Заменить код агенства"
    bool MenuButtonDelOrg = true;   // "Удалить организацию"
    bool B1 = true;                 // "Изменить тип организации"
    bool MenuButtonRep = true;      // "Отчеты"
    bool G1 = true;                 // "По организациям"
    bool N21 = true;                // "По классам"
    bool MenuButtonParams = true;   // "Прочие параметры"
    // "Работа с файлом"
    bool MenuButtonActFile = true;  // "Создать с актуальными записями"
    bool MenuButtonCorFile = true;  // "Создать с откорректированными записями"
    bool MenuButtonLoad = true;  // "Обработать файл"
    // "Справка"
    bool MenuButtonAbout = true;  // "О программе"

    // Every item as (object name, enabled), in menu order.
    std::vector<std::pair<std::string_view, bool>> Items() const;
};

// Enables or disables the groups that need a usable register; the items
// that depend on the mode follow DistrictMode whatever `enabled` is, and
// the rest keep their state.
void MainMenuAccess(MainMenuState& menu, bool enabled, const ProgramConfig& config);

}  // namespace vrklad
