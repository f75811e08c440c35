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

void UseCompactTheme(wxWindow& dialog) {
    // One provider for the whole screen, alive for the whole run; its rules
    // reach only the widgets inside a window of this name.
    static const bool installed = [] {
        GtkCssProvider* provider = gtk_css_provider_new();
        gtk_css_provider_load_from_data(
            provider,
            "#earloop-compact button { min-height: 0; min-width: 0; padding: 0 6px; }\n"
            "#earloop-compact entry { min-height: 0; padding-top: 0; padding-bottom: 0; }\n"
            "#earloop-compact checkbutton, #earloop-compact radiobutton { min-height: 0; padding: 0; }\n"
            "#earloop-compact check, #earloop-compact radio { min-width: 12px; min-height: 12px; margin: 0 4px 0 0; }\n"
            "#earloop-compact notebook > header > tabs > tab { min-height: 0; padding: 2px 5px; }\n",
            -1, nullptr);
        gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        g_object_unref(provider);
        return true;
    }();
    (void)installed;
    gtk_widget_set_name(static_cast<GtkWidget*>(dialog.GetHandle()), "earloop-compact");
}

}  // namespace earloop
