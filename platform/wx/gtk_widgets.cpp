#include "platform/wx/gtk_widgets.h"

#include <gtk/gtk.h>

namespace earloop {

namespace {

AtkObject* Accessible(wxWindow& control) { return gtk_widget_get_accessible(control.GetHandle()); }

}  // namespace

void SetAccessibleName(wxWindow& control, const wxString& name) {
    atk_object_set_name(Accessible(control), name.utf8_str());
}

wxString AccessibleName(wxWindow& control) {
    const char* name = atk_object_get_name(Accessible(control));
    return name ? wxString::FromUTF8(name) : wxString();
}

void FitThemeToTemplate(wxWindow& control) {
    // One provider for every such control, alive for the whole run.
    static GtkCssProvider* const compact = [] {
        GtkCssProvider* provider = gtk_css_provider_new();
        gtk_css_provider_load_from_data(provider,
                                        "button { min-height: 0; min-width: 0; padding: 0 6px; }"
                                        "entry { min-height: 0; padding: 0 3px; }",
                                        -1, nullptr);
        return provider;
    }();
    gtk_style_context_add_provider(gtk_widget_get_style_context(control.GetHandle()), GTK_STYLE_PROVIDER(compact),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    control.InvalidateBestSize();
}

}  // namespace earloop
