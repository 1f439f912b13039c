#include "platform/gtk/client_area.h"

#include <algorithm>
#include <cstdint>

namespace tessera::gtk {

namespace {

constexpr const char* kAlignBottomKey = "tessera-align-bottom";
constexpr const char* kFillParentKey = "tessera-fill-parent";

struct TClientArea {
  GtkFixed Parent;
  int NaturalWidth;
  int NaturalHeight;
};

struct TClientAreaClass {
  GtkFixedClass ParentClass;
};

int AlignBottomHeight(GtkWidget* child) {
  return static_cast<int>(
      reinterpret_cast<std::intptr_t>(g_object_get_data(G_OBJECT(child), kAlignBottomKey)));
}

GtkWidgetClass* ParentWidgetClass() {
  return GTK_WIDGET_CLASS(g_type_class_peek(GTK_TYPE_FIXED));
}

// No minimum size of its own: the window's size decides the area's, never
// the other way round. The natural size is the window's own size, which GTK
// uses when it sizes a window that the user cannot resize.
void GetPreferredWidth(GtkWidget* widget, gint* minimum, gint* natural) {
  *minimum = 0;
  *natural = reinterpret_cast<TClientArea*>(widget)->NaturalWidth;
}

void GetPreferredHeight(GtkWidget* widget, gint* minimum, gint* natural) {
  *minimum = 0;
  *natural = reinterpret_cast<TClientArea*>(widget)->NaturalHeight;
}

void SizeAllocate(GtkWidget* widget, GtkAllocation* allocation) {
  // The fixed places every child at its position with its own size first.
  ParentWidgetClass()->size_allocate(widget, allocation);
  const int width = allocation->width;
  int bottom = allocation->height;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* item = children; item != nullptr; item = item->next) {
    auto* child = static_cast<GtkWidget*>(item->data);
    const int height = AlignBottomHeight(child);
    if (height > 0 && gtk_widget_get_visible(child)) {
      bottom -= height;
      // No window of its own: children are placed in the window's
      // coordinates.
      GtkAllocation strip{allocation->x, allocation->y + bottom, width, height};
      gtk_widget_size_allocate(child, &strip);
    }
  }
  for (GList* item = children; item != nullptr; item = item->next) {
    auto* child = static_cast<GtkWidget*>(item->data);
    if (FillsParent(child) && gtk_widget_get_visible(child)) {
      GtkAllocation fill{allocation->x, allocation->y, width, std::max(bottom, 0)};
      gtk_widget_size_allocate(child, &fill);
    }
  }
  g_list_free(children);
}

gboolean Draw(GtkWidget* widget, cairo_t* cr) {
  gtk_render_background(gtk_widget_get_style_context(widget), cr, 0, 0,
                        gtk_widget_get_allocated_width(widget),
                        gtk_widget_get_allocated_height(widget));
  return ParentWidgetClass()->draw(widget, cr);
}

void ClassInit(gpointer klass, gpointer) {
  auto* widgetClass = GTK_WIDGET_CLASS(klass);
  widgetClass->get_preferred_width = GetPreferredWidth;
  widgetClass->get_preferred_height = GetPreferredHeight;
  widgetClass->size_allocate = SizeAllocate;
  widgetClass->draw = Draw;
}

GType ClientAreaType() {
  static const GType type = [] {
    GTypeInfo info{};
    info.class_size = sizeof(TClientAreaClass);
    info.class_init = ClassInit;
    info.instance_size = sizeof(TClientArea);
    return g_type_register_static(GTK_TYPE_FIXED, "TesseraClientArea", &info,
                                  static_cast<GTypeFlags>(0));
  }();
  return type;
}

} // namespace

GtkWidget* NewClientArea() {
  return GTK_WIDGET(g_object_new(ClientAreaType(), nullptr));
}

bool IsClientArea(GtkWidget* widget) {
  return widget != nullptr && G_TYPE_CHECK_INSTANCE_TYPE(widget, ClientAreaType());
}

void SetNaturalSize(GtkWidget* area, int width, int height) {
  auto* instance = reinterpret_cast<TClientArea*>(area);
  if (instance->NaturalWidth != width || instance->NaturalHeight != height) {
    instance->NaturalWidth = std::max(width, 0);
    instance->NaturalHeight = std::max(height, 0);
    gtk_widget_queue_resize(area);
  }
}

void SetAlignBottom(GtkWidget* child, int height) {
  g_object_set_data(G_OBJECT(child), kAlignBottomKey,
                    reinterpret_cast<gpointer>(static_cast<std::intptr_t>(std::max(height, 0))));
}

void SetFillParent(GtkWidget* child, bool fill) {
  g_object_set_data(G_OBJECT(child), kFillParentKey, fill ? GINT_TO_POINTER(1) : nullptr);
}

bool FillsParent(GtkWidget* child) {
  return g_object_get_data(G_OBJECT(child), kFillParentKey) != nullptr;
}

TBoundsRect FillRect(GtkWidget* area, int width, int height) {
  int bottom = height;
  GList* children = gtk_container_get_children(GTK_CONTAINER(area));
  for (GList* item = children; item != nullptr; item = item->next) {
    auto* child = static_cast<GtkWidget*>(item->data);
    const int strip = AlignBottomHeight(child);
    if (strip > 0 && gtk_widget_get_visible(child)) {
      bottom -= strip;
    }
  }
  g_list_free(children);
  return {0, 0, std::max(width, 0), std::max(bottom, 0)};
}

void QueueLayout(GtkWidget* area) {
  if (area != nullptr) {
    gtk_widget_queue_resize(area);
  }
}

} // namespace tessera::gtk
