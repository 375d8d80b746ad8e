#include "session/MainMenuAccess.h"

namespace vrklad {

std::vector<std::pair<std::string_view, bool>> MainMenuState::Items() const {
    return {
        {"MenuButtonSave", MenuButtonSave},
        {"MenuButtonRestore", MenuButtonRestore},
        {"N8", N8},
        {"MenuButtonExit", MenuButtonExit},
        {"MenuButtonCorrect", MenuButtonCorrect},
        {"MenuButtonOrg", MenuButtonOrg},
        {"N11", N11},
        {"N20", N20},
        {"MenuButtonDelOrg", MenuButtonDelOrg},
        {"B1", B1},
        {"MenuButtonRep", MenuButtonRep},
        {"G1", G1},
        {"N21", N21},
        {"MenuButtonParams", MenuButtonParams},
        {"MenuButtonActFile", MenuButtonActFile},
        {"MenuButtonCorFile", MenuButtonCorFile},
        {"MenuButtonLoad", MenuButtonLoad},
        {"MenuButtonAbout", MenuButtonAbout},
    };
}

void MainMenuAccess(MainMenuState& menu, bool enabled, const ProgramConfig& config) {
    menu.MenuButtonSave = enabled;
    menu.MenuButtonCorrect = enabled;
    menu.MenuButtonOrg = enabled;
    menu.MenuButtonRep = enabled;
    menu.MenuButtonActFile = enabled;
    menu.MenuButtonCorFile = enabled;
    menu.MenuButtonLoad = enabled;
    menu.MenuButtonDelOrg = enabled && config.DistrictMode == 1;
    menu.N11 = config.DistrictMode == 0;
    menu.N20 = config.DistrictMode == 0;
}

}  // namespace vrklad
