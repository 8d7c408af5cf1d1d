#include "ui/Controls.h"

void RegisterLabelClasses(HINSTANCE instance);
void RegisterContainerClasses(HINSTANCE instance);
void RegisterDrawingPanelClass(HINSTANCE instance);

void RegisterControlClasses(HINSTANCE instance) {
    RegisterLabelClasses(instance);
    RegisterContainerClasses(instance);
    RegisterDrawingPanelClass(instance);
}
