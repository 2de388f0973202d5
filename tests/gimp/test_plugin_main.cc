// SPDX-License-Identifier: GPL-3.0-or-later
// A GIMP plug-in that runs the GIMP-dependent GoogleTest cases inside the
// GIMP process that started it. Arguments: run mode, XML result file, extra
// GoogleTest flags (space separated).
#include <libgimp/gimp.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

void query() {
    static const GimpParamDef args[] = {
        {GIMP_PDB_INT32, const_cast<gchar*>("run-mode"), const_cast<gchar*>("Run mode")},
        {GIMP_PDB_STRING, const_cast<gchar*>("output"), const_cast<gchar*>("GoogleTest XML result file")},
        {GIMP_PDB_STRING, const_cast<gchar*>("flags"), const_cast<gchar*>("Extra GoogleTest flags")},
    };
    gimp_install_procedure("plug-in-strandel-gimp-tests", "Runs the Strandel in-GIMP tests",
                           "Runs the Strandel in-GIMP tests", "Strandel developers", "Strandel developers", "2026",
                           nullptr, "", GIMP_PLUGIN, 3, 0, args, nullptr);
}

void run(const gchar*, gint nparams, const GimpParam* params, gint* nreturn_vals, GimpParam** return_vals) {
    static GimpParam ret[1];
    ret[0].type = GIMP_PDB_STATUS;
    ret[0].data.d_status = GIMP_PDB_CALLING_ERROR;
    *nreturn_vals = 1;
    *return_vals = ret;
    if (nparams < 2) return;

    std::vector<std::string> args{"strandel-gimp-tests", std::string("--gtest_output=xml:") + params[1].data.d_string};
    if (nparams > 2 && params[2].data.d_string) {
        std::istringstream flags(params[2].data.d_string);
        for (std::string flag; flags >> flag;) args.push_back(flag);
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    int argc = static_cast<int>(args.size());
    testing::InitGoogleTest(&argc, argv.data());
    ret[0].data.d_status = RUN_ALL_TESTS() == 0 ? GIMP_PDB_SUCCESS : GIMP_PDB_EXECUTION_ERROR;
}

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, query, run};

}  // namespace

int main(int argc, char* argv[]) { return gimp_main(&PLUG_IN_INFO, argc, argv); }
