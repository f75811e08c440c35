#include "platform/wx/control_accessibles.h"

#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "platform/wx/classic_controls.h"

namespace earloop {

namespace {

// ---------------------------------------------------------------------------
// A widget answers for itself with the object kept under this key; every
// other widget of its class as the toolkit would. The class's get_accessible
// is the toolkit's own way for a widget to bring its accessible object, and
// wx makes all its windows of one widget class.

GQuark OwnAccessibleKey() {
    static const GQuark key = g_quark_from_static_string("earloop-accessible");
    return key;
}

using GetAccessibleFunction = AtkObject* (*)(GtkWidget*);

std::map<GType, GetAccessibleFunction>& ToolkitGetAccessible() {
    static std::map<GType, GetAccessibleFunction> functions;
    return functions;
}

AtkObject* GetAccessible(GtkWidget* widget) {
    if (auto* own = static_cast<AtkObject*>(g_object_get_qdata(G_OBJECT(widget), OwnAccessibleKey()))) return own;
    const auto& toolkit = ToolkitGetAccessible();
    for (GType type = G_TYPE_FROM_INSTANCE(widget); type != 0; type = g_type_parent(type))
        if (const auto found = toolkit.find(type); found != toolkit.end()) return found->second(widget);
    return nullptr;
}

GtkWidget* WidgetOf(wxWindow& window) { return static_cast<GtkWidget*>(window.GetHandle()); }

AtkObject* OwnAccessibleOf(wxWindow& window) {
    GtkWidget* widget = WidgetOf(window);
    return widget ? static_cast<AtkObject*>(g_object_get_qdata(G_OBJECT(widget), OwnAccessibleKey())) : nullptr;
}

// The widget is being destroyed: its object no longer names it.
void Disown(GtkWidget* widget, gpointer) {
    auto* own = static_cast<AtkObject*>(g_object_get_qdata(G_OBJECT(widget), OwnAccessibleKey()));
    if (!own) return;
    gtk_accessible_set_widget(GTK_ACCESSIBLE(own), nullptr);
    g_object_set_qdata(G_OBJECT(widget), OwnAccessibleKey(), nullptr);
}

AtkObject* Adopt(wxWindow& window, GType type) {
    GtkWidget* widget = WidgetOf(window);
    GtkWidgetClass* widgetClass = GTK_WIDGET_GET_CLASS(widget);
    if (widgetClass->get_accessible != GetAccessible) {
        ToolkitGetAccessible()[G_TYPE_FROM_CLASS(widgetClass)] = widgetClass->get_accessible;
        widgetClass->get_accessible = GetAccessible;
    }
    auto* accessible = ATK_OBJECT(g_object_new(type, "widget", widget, nullptr));
    atk_object_initialize(accessible, widget);
    g_object_set_qdata_full(G_OBJECT(widget), OwnAccessibleKey(), accessible, g_object_unref);
    g_signal_connect(widget, "destroy", G_CALLBACK(Disown), nullptr);
    return accessible;
}

// ---------------------------------------------------------------------------
// A drawn control: the widget's own states (enabled, showing) and, for radios
// and toggles, checkable and checked.

struct EarloopControlAccessible {
    GtkWidgetAccessible parent;
    ClassicControl* control;  // null once the control has gone
};
struct EarloopControlAccessibleClass {
    GtkWidgetAccessibleClass parentClass;
};
G_DEFINE_TYPE(EarloopControlAccessible, earloop_control_accessible, GTK_TYPE_WIDGET_ACCESSIBLE)

ClassicControl* ControlOf(gpointer accessible) { return static_cast<EarloopControlAccessible*>(accessible)->control; }

AtkStateSet* ControlStates(AtkObject* accessible) {
    AtkStateSet* states = ATK_OBJECT_CLASS(earloop_control_accessible_parent_class)->ref_state_set(accessible);
    const ClassicControl* control = ControlOf(accessible);
    if (control && (control->Kind() == ControlKind::RadioButton || control->Toggles())) {
        atk_state_set_add_state(states, ATK_STATE_CHECKABLE);
        if (control->IsChecked()) atk_state_set_add_state(states, ATK_STATE_CHECKED);
    }
    return states;
}

void earloop_control_accessible_init(EarloopControlAccessible* self) { self->control = nullptr; }

void earloop_control_accessible_class_init(EarloopControlAccessibleClass* controlClass) {
    ATK_OBJECT_CLASS(controlClass)->ref_state_set = ControlStates;
}

// Buttons and radios: one action, "click".

struct EarloopClickableAccessible {
    EarloopControlAccessible parent;
};
struct EarloopClickableAccessibleClass {
    EarloopControlAccessibleClass parentClass;
};

gboolean DoClick(AtkAction* action, gint index) {
    ClassicControl* control = ControlOf(action);
    if (index != 0 || !control || !control->IsEnabled()) return FALSE;
    // After the bridge has answered the caller: the command may open a
    // modal box, which must not hold the caller's request open.
    control->CallAfter(&ClassicControl::Click);
    return TRUE;
}

gint OneAction(AtkAction*) { return 1; }

const gchar* ClickName(AtkAction*, gint index) { return index == 0 ? "click" : nullptr; }

void ClickableActionInit(AtkActionIface* action) {
    action->do_action = DoClick;
    action->get_n_actions = OneAction;
    action->get_name = ClickName;
    action->get_localized_name = ClickName;
}

G_DEFINE_TYPE_WITH_CODE(EarloopClickableAccessible, earloop_clickable_accessible, earloop_control_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, ClickableActionInit))

void earloop_clickable_accessible_init(EarloopClickableAccessible*) {}
void earloop_clickable_accessible_class_init(EarloopClickableAccessibleClass*) {}

// Sliders and the tuning meter: a value within a range.

struct EarloopGaugeAccessible {
    EarloopControlAccessible parent;
};
struct EarloopGaugeAccessibleClass {
    EarloopControlAccessibleClass parentClass;
};

ClassicControl::Gauge ReadingOf(AtkValue* value) {
    const ClassicControl* control = ControlOf(value);
    const auto reading = control ? control->Reading() : std::nullopt;
    return reading.value_or(ClassicControl::Gauge{0, 0, 0});
}

void GaugeValue(AtkValue* value, gdouble* current, gchar** text) {
    *current = ReadingOf(value).value;
    if (text) *text = nullptr;
}

AtkRange* GaugeRange(AtkValue* value) {
    const ClassicControl::Gauge gauge = ReadingOf(value);
    return atk_range_new(gauge.minimum, gauge.maximum, nullptr);
}

gdouble GaugeIncrement(AtkValue*) { return 1; }

// A slider moves as the user would move it; the tuning meter stays.
void SetGaugeValue(AtkValue* value, gdouble wanted) {
    ClassicControl* control = ControlOf(value);
    if (!control) return;
    const int position = static_cast<int>(std::lround(wanted));
    control->CallAfter([control, position] { control->MoveThumb(position); });
}

void GaugeValueInit(AtkValueIface* value) {
    value->get_value_and_text = GaugeValue;
    value->get_range = GaugeRange;
    value->get_increment = GaugeIncrement;
    value->set_value = SetGaugeValue;
}

G_DEFINE_TYPE_WITH_CODE(EarloopGaugeAccessible, earloop_gauge_accessible, earloop_control_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_VALUE, GaugeValueInit))

void earloop_gauge_accessible_init(EarloopGaugeAccessible*) {}
void earloop_gauge_accessible_class_init(EarloopGaugeAccessibleClass*) {}

GType AccessibleTypeOf(const ClassicControl& control) {
    switch (control.Kind()) {
        case ControlKind::OwnerDrawnButton:
        case ControlKind::PushButton:
        case ControlKind::RadioButton: return earloop_clickable_accessible_get_type();
        case ControlKind::Slider:
        case ControlKind::ProgressBar: return earloop_gauge_accessible_get_type();
        case ControlKind::GroupBox:
        case ControlKind::Label: break;
    }
    return earloop_control_accessible_get_type();
}

AtkRole RoleOf(const ClassicControl& control) {
    switch (control.Kind()) {
        case ControlKind::OwnerDrawnButton:
        case ControlKind::PushButton: return control.Toggles() ? ATK_ROLE_TOGGLE_BUTTON : ATK_ROLE_PUSH_BUTTON;
        case ControlKind::RadioButton: return ATK_ROLE_RADIO_BUTTON;
        case ControlKind::GroupBox: return ATK_ROLE_GROUPING;
        case ControlKind::Label: return ATK_ROLE_LABEL;
        case ControlKind::Slider: return ATK_ROLE_SLIDER;
        case ControlKind::ProgressBar: return ATK_ROLE_PROGRESS_BAR;
    }
    return ATK_ROLE_UNKNOWN;
}

// ---------------------------------------------------------------------------
// A canvas: its child widgets, then the readouts drawn on it.

struct EarloopCanvasAccessible {
    GtkContainerAccessible parent;
    std::vector<AtkObject*>* readouts;  // owned, each holding a reference
};
struct EarloopCanvasAccessibleClass {
    GtkContainerAccessibleClass parentClass;
};
G_DEFINE_TYPE(EarloopCanvasAccessible, earloop_canvas_accessible, GTK_TYPE_CONTAINER_ACCESSIBLE)

// A readout: a label at a rectangle of its canvas. It knows the canvas
// without a reference (the canvas holds it); the canvas clears it when it goes.
struct EarloopDrawnText {
    AtkObject parent;
    AtkObject* canvas;
    GdkRectangle area;
};
struct EarloopDrawnTextClass {
    AtkObjectClass parentClass;
};

std::vector<AtkObject*>& ReadoutsOf(AtkObject* canvas) {
    return *reinterpret_cast<EarloopCanvasAccessible*>(canvas)->readouts;
}

gint WidgetChildCount(AtkObject* canvas) {
    return ATK_OBJECT_CLASS(earloop_canvas_accessible_parent_class)->get_n_children(canvas);
}

gint CanvasChildCount(AtkObject* canvas) {
    return WidgetChildCount(canvas) + static_cast<gint>(ReadoutsOf(canvas).size());
}

AtkObject* CanvasChild(AtkObject* canvas, gint index) {
    const gint widgets = WidgetChildCount(canvas);
    if (index < widgets) return ATK_OBJECT_CLASS(earloop_canvas_accessible_parent_class)->ref_child(canvas, index);
    const auto& readouts = ReadoutsOf(canvas);
    const auto at = static_cast<std::size_t>(index - widgets);
    return at < readouts.size() ? ATK_OBJECT(g_object_ref(readouts[at])) : nullptr;
}

void CanvasFinalize(GObject* object) {
    for (AtkObject* readout : ReadoutsOf(ATK_OBJECT(object))) {
        reinterpret_cast<EarloopDrawnText*>(readout)->canvas = nullptr;
        g_object_unref(readout);
    }
    delete reinterpret_cast<EarloopCanvasAccessible*>(object)->readouts;
    G_OBJECT_CLASS(earloop_canvas_accessible_parent_class)->finalize(object);
}

void earloop_canvas_accessible_init(EarloopCanvasAccessible* self) { self->readouts = new std::vector<AtkObject*>; }

void earloop_canvas_accessible_class_init(EarloopCanvasAccessibleClass* canvasClass) {
    G_OBJECT_CLASS(canvasClass)->finalize = CanvasFinalize;
    ATK_OBJECT_CLASS(canvasClass)->get_n_children = CanvasChildCount;
    ATK_OBJECT_CLASS(canvasClass)->ref_child = CanvasChild;
}

EarloopDrawnText* DrawnTextOf(gpointer object) { return static_cast<EarloopDrawnText*>(object); }

AtkObject* DrawnTextParent(AtkObject* readout) { return DrawnTextOf(readout)->canvas; }

gint DrawnTextIndex(AtkObject* readout) {
    AtkObject* canvas = DrawnTextOf(readout)->canvas;
    if (!canvas) return -1;
    const auto& readouts = ReadoutsOf(canvas);
    const auto found = std::find(readouts.begin(), readouts.end(), readout);
    return WidgetChildCount(canvas) + static_cast<gint>(found - readouts.begin());
}

AtkStateSet* DrawnTextStates(AtkObject* readout) {
    AtkStateSet* states = atk_state_set_new();
    if (!DrawnTextOf(readout)->canvas) {
        atk_state_set_add_state(states, ATK_STATE_DEFUNCT);
        return states;
    }
    for (AtkStateType state : {ATK_STATE_VISIBLE, ATK_STATE_SHOWING, ATK_STATE_ENABLED, ATK_STATE_SENSITIVE})
        atk_state_set_add_state(states, state);
    return states;
}

void DrawnTextExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height, AtkCoordType coords) {
    const EarloopDrawnText* readout = DrawnTextOf(component);
    gint canvasX = 0, canvasY = 0;
    if (readout->canvas) atk_component_get_extents(ATK_COMPONENT(readout->canvas), &canvasX, &canvasY, nullptr, nullptr, coords);
    *x = canvasX + readout->area.x;
    *y = canvasY + readout->area.y;
    *width = readout->area.width;
    *height = readout->area.height;
}

void DrawnTextComponentInit(AtkComponentIface* component) { component->get_extents = DrawnTextExtents; }

G_DEFINE_TYPE_WITH_CODE(EarloopDrawnText, earloop_drawn_text, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, DrawnTextComponentInit))

void earloop_drawn_text_init(EarloopDrawnText* self) {
    self->canvas = nullptr;
    self->area = {0, 0, 0, 0};
}

void earloop_drawn_text_class_init(EarloopDrawnTextClass* textClass) {
    AtkObjectClass* objectClass = ATK_OBJECT_CLASS(textClass);
    objectClass->get_parent = DrawnTextParent;
    objectClass->get_index_in_parent = DrawnTextIndex;
    objectClass->ref_state_set = DrawnTextStates;
}

// Sets the object's name when it differs (which tells the screen reader).
void Rename(AtkObject* accessible, const std::string& name) {
    const gchar* now = atk_object_get_name(accessible);
    if (!now || name != now) atk_object_set_name(accessible, name.c_str());
}

}  // namespace

std::string SpokenText(const std::string& utf8) {
    std::string text;
    for (char c : utf8) {
        if (c != '\r') text += c == '\n' ? ' ' : c;
    }
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void ExposeControl(ClassicControl& control) {
    AtkObject* accessible = Adopt(control, AccessibleTypeOf(control));
    reinterpret_cast<EarloopControlAccessible*>(accessible)->control = &control;
    atk_object_set_role(accessible, RoleOf(control));
    Rename(accessible, control.AccessibleName());
}

void ForgetControl(ClassicControl& control) {
    if (AtkObject* accessible = OwnAccessibleOf(control))
        reinterpret_cast<EarloopControlAccessible*>(accessible)->control = nullptr;
}

void AnnounceName(ClassicControl& control) {
    if (AtkObject* accessible = OwnAccessibleOf(control)) Rename(accessible, control.AccessibleName());
}

void AnnounceChecked(ClassicControl& control) {
    if (AtkObject* accessible = OwnAccessibleOf(control))
        atk_object_notify_state_change(accessible, ATK_STATE_CHECKED, control.IsChecked());
}

void AnnounceValue(ClassicControl& control) {
    if (AtkObject* accessible = OwnAccessibleOf(control)) g_object_notify(G_OBJECT(accessible), "accessible-value");
}

void ExposeCanvas(wxWindow& canvas) {
 Adopt(canvas, earloop_canvas_accessible_get_type()); }

void ShowDrawnText(wxWindow& canvas, const std::string& name, Rect area, const std::string& utf8) {
    AtkObject* canvasAccessible = OwnAccessibleOf(canvas);
    if (!canvasAccessible || !G_TYPE_CHECK_INSTANCE_TYPE(canvasAccessible, earloop_canvas_accessible_get_type())) return;
    auto& readouts = ReadoutsOf(canvasAccessible);
    const auto found = std::find_if(readouts.begin(), readouts.end(), [&name](AtkObject* readout) {
        const gchar* description = atk_object_get_description(readout);
        return description && name == description;
    });
    if (found != readouts.end()) {
        DrawnTextOf(*found)->area = {area.x, area.y, area.width, area.height};
        Rename(*found, SpokenText(utf8));
        return;
    }
    auto* readout = ATK_OBJECT(g_object_new(earloop_drawn_text_get_type(), nullptr));
    DrawnTextOf(readout)->canvas = canvasAccessible;
    DrawnTextOf(readout)->area = {area.x, area.y, area.width, area.height};
    atk_object_set_role(readout, ATK_ROLE_LABEL);
    atk_object_set_description(readout, name.c_str());
    atk_object_set_name(readout, SpokenText(utf8).c_str());
    readouts.push_back(readout);
    g_signal_emit_by_name(canvasAccessible, "children-changed::add", CanvasChildCount(canvasAccessible) - 1, readout);
}

}  // namespace earloop
