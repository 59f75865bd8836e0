#pragma once

#include "ScriptedPrompter.h"
#include "TestEnvironment.h"

// The world of a test that shows windows: a scripted prompter answers every question, so that
// no window ever waits for a person.
class DesktopTestEnvironment : public TestEnvironment {
public:
    using TestEnvironment::TestEnvironment;
    ScriptedPrompter prompter;
};
