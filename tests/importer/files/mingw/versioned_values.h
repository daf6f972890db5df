/* The texts that versioned.rc declares in its US English string table. The reader's tests
   include this file too and expect exactly these texts back. */
#pragma once

#define VERSIONED_COMPANY_NAME "Vexo Test Fixtures"
#define VERSIONED_FILE_DESCRIPTION "Library with a version resource"
#define VERSIONED_FILE_VERSION "7.1.0.59"
#define VERSIONED_INTERNAL_NAME "versioned"
#define VERSIONED_LEGAL_COPYRIGHT "Copyright (C) 2007 Vexo Test Fixtures"
#define VERSIONED_ORIGINAL_FILENAME "versioned.dll"
#define VERSIONED_PRODUCT_NAME "Vexo Versioned"
#define VERSIONED_PRODUCT_VERSION "7, 1, 0, 59"
#define VERSIONED_COMMENTS "Built by MinGW for the version reader's tests"
#define VERSIONED_PRIVATE_BUILD ""
/* The German table's company name, which a reader following the translation never shows. */
#define VERSIONED_GERMAN_COMPANY_NAME "Vexo Testdaten"
