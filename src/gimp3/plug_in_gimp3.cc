// SPDX-License-Identifier: GPL-3.0-or-later
#include "gimp3/plug_in_gimp3.h"

namespace strandel {

namespace {

struct plug_in_procedures {
    std::vector<const char*> names;
    procedure_maker make = nullptr;
};

plug_in_procedures& the_procedures() {
    static plug_in_procedures procedures;
    return procedures;
}

GList* query_procedures(GimpPlugIn*) {
    GList* list = nullptr;
    for (const char* name : the_procedures().names) list = g_list_append(list, g_strdup(name));
    return list;
}

GimpProcedure* create_procedure(GimpPlugIn* plug_in, const gchar* name) {
    return the_procedures().make(plug_in, name);
}

// No message catalogues: the texts are English, as in GIMP 2.10.
gboolean no_translation(GimpPlugIn*, const gchar*, gchar**, gchar**) { return FALSE; }

void class_init(gpointer klass, gpointer) {
    GimpPlugInClass* plug_in_class = GIMP_PLUG_IN_CLASS(klass);
    plug_in_class->query_procedures = query_procedures;
    plug_in_class->create_procedure = create_procedure;
    plug_in_class->set_i18n = no_translation;
}

void instance_init(GTypeInstance*, gpointer) {}

GType plug_in_type() {
    static GType type = 0;
    if (type == 0) {
        GTypeQuery parent;
        g_type_query(GIMP_TYPE_PLUG_IN, &parent);
        type = g_type_register_static_simple(GIMP_TYPE_PLUG_IN, "StrandelPlugIn", parent.class_size, class_init,
                                             parent.instance_size, instance_init, GTypeFlags(0));
    }
    return type;
}

}  // namespace

int run_plug_in(int argc, char* argv[], const std::vector<const char*>& procedures, procedure_maker make) {
    the_procedures().names = procedures;
    the_procedures().make = make;
    return gimp_main(plug_in_type(), argc, argv);
}

void set_attribution(GimpProcedure* procedure) {
    gimp_procedure_set_attribution(procedure, "Strandel developers", "Strandel developers", "2026");
}

void add_to_segmentation_menu(GimpProcedure* procedure, const char* label) {
    gimp_procedure_set_menu_label(procedure, label);
    gimp_procedure_add_menu_path(procedure, "<Image>/Segmentation");
}

void add_run_mode_argument(GimpProcedure* procedure) {
    gimp_procedure_add_enum_argument(procedure, "run-mode", "Run mode", "The run mode", GIMP_TYPE_RUN_MODE,
                                     GIMP_RUN_NONINTERACTIVE, G_PARAM_READWRITE);
}

GimpRunMode config_run_mode(GimpProcedureConfig* config) {
    GimpRunMode mode = GIMP_RUN_NONINTERACTIVE;
    g_object_get(config, "run-mode", &mode, nullptr);
    return mode;
}

std::string config_string(GimpProcedureConfig* config, const char* name) {
    gchar* value = nullptr;
    g_object_get(config, name, &value, nullptr);
    std::string text = value ? value : "";
    g_free(value);
    return text;
}

GimpValueArray* failure(GimpProcedure* procedure, GimpPDBStatusType status, const std::string& message) {
    return gimp_procedure_new_return_values(procedure, status,
                                            g_error_new_literal(GIMP_PLUG_IN_ERROR, 0, message.c_str()));
}

}  // namespace strandel
