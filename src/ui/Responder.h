#pragma once
// The test seam behind MsgBox, ExecModal, the file dialogs and the data-link prompts: while a
// responder is installed, the call asks it instead of a person. There is one slot per responder
// type for the whole program; an empty one means a person answers. User-interface thread only.
namespace tbn::ui {

template <class Responder> Responder& InstalledResponder() {
    static Responder responder;
    return responder;
}

}  // namespace tbn::ui
