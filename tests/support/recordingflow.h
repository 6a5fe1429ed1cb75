#pragma once

#include "core/appcontext.h"

// A window flow that only counts the hand-overs asked of it.
struct RecordingFlow final : WindowFlow {
    int adminShown = 0;
    int mainShown = 0;
    int exits = 0;
    void ShowAdminWindow() override { ++adminShown; }
    void ShowMainWindow() override { ++mainShown; }
    void ExitProgram() override { ++exits; }
};
