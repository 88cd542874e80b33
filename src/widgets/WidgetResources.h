#pragma once

// Registers the pictures built into the widgets library (":/pictures/..."). A static library's
// resources are not registered by themselves: call this once after creating the application.
void InitWidgetResources();
