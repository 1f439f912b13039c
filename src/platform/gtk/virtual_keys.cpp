#include "platform/gtk/virtual_keys.h"

#include <gdk/gdkkeysyms.h>

namespace tessera::gtk {

std::uint32_t VirtualKeyOf(unsigned keyval) {
  if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) {
    return 'A' + (keyval - GDK_KEY_a);
  }
  if ((keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) ||
      (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9)) {
    return keyval;
  }
  if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9) {
    return 0x60 + (keyval - GDK_KEY_KP_0);
  }
  if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) {
    return 0x70 + (keyval - GDK_KEY_F1);
  }
  switch (keyval) {
  case GDK_KEY_BackSpace:
    return 0x08;
  case GDK_KEY_Tab:
  case GDK_KEY_ISO_Left_Tab:
    return 0x09;
  case GDK_KEY_Return:
  case GDK_KEY_KP_Enter:
    return 0x0D;
  case GDK_KEY_Shift_L:
  case GDK_KEY_Shift_R:
    return 0x10;
  case GDK_KEY_Control_L:
  case GDK_KEY_Control_R:
    return 0x11;
  case GDK_KEY_Alt_L:
  case GDK_KEY_Alt_R:
    return 0x12;
  case GDK_KEY_Pause:
    return 0x13;
  case GDK_KEY_Caps_Lock:
    return 0x14;
  case GDK_KEY_Escape:
    return 0x1B;
  case GDK_KEY_space:
    return 0x20;
  case GDK_KEY_Page_Up:
    return 0x21;
  case GDK_KEY_Page_Down:
    return 0x22;
  case GDK_KEY_End:
    return 0x23;
  case GDK_KEY_Home:
    return 0x24;
  case GDK_KEY_Left:
    return 0x25;
  case GDK_KEY_Up:
    return 0x26;
  case GDK_KEY_Right:
    return 0x27;
  case GDK_KEY_Down:
    return 0x28;
  case GDK_KEY_Insert:
    return 0x2D;
  case GDK_KEY_Delete:
    return 0x2E;
  default:
    return 0;
  }
}

} // namespace tessera::gtk
