#pragma once

#include "base/Messages.h"

namespace brel {

/// Shows the program's messages as real message boxes.
class MessageBoxHandler : public Messages::Handler {
public:
    Messages::Answer show(const Messages::Message &message) override;
};

/// Installs MessageBoxHandler for the rest of the run.
void installMessageBoxes();

} // namespace brel
