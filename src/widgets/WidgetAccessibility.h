#pragma once

// Registers, once, the accessible interfaces of the display components that the toolkit does
// not know: the gradient button and the link label.
void InstallWidgetAccessibility();
