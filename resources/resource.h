// Resource ids shared by resources/app.rc and the program's code.
#ifndef VARNHOLT_RESOURCES_RESOURCE_H
#define VARNHOLT_RESOURCES_RESOURCE_H

// The link controls' class cursor; a numeric id, so the class is registered with
// MAKEINTRESOURCE(IDC_LINK_HAND) from the exe's own module.
#define IDC_LINK_HAND 1032

// The application icon group is named, not numbered: the shell shows the first group of the file,
// and the window loads it by this name.
#define VARNHOLT_ICON_NAME "DEFAULT_ICON"

#endif
