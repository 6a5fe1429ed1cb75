#pragma once

#include <initializer_list>

class QWidget;

// Puts blocks of controls in this order for the Tab key, one after the other. A block is a
// control, or a container whose controls keep their own order among themselves; controls and
// containers not named keep their places in the window's order.
void OrderFocus(std::initializer_list<QWidget*> blocks);
