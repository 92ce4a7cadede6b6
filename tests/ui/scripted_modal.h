#pragma once
// Answers the program's modal dialogs with a script for as long as it lives.

#include "ui/windows/form.h"

namespace morvelin::testing {

class ScriptedModal {
public:
    explicit ScriptedModal(ModalScript script) { install_modal_script(std::move(script)); }
    ~ScriptedModal() { install_modal_script({}); }
    ScriptedModal(const ScriptedModal&) = delete;
    ScriptedModal& operator=(const ScriptedModal&) = delete;
};

} // namespace morvelin::testing
