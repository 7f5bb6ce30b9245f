// Settings dialogs: template numbers and control identifiers shared by the resource scripts and
// the dialog code (plain defines, because the resource compiler reads this file too).
#pragma once

// Templates: English and Japanese of each pair carry the same controls.
#define IDD_FORMAT_EN 106
#define IDD_FORMAT_JA 101
#define IDD_FILTER_FRAME_EN 108
#define IDD_FILTER_FRAME_JA 102
#define IDD_IMAGE_PAGE_EN 107
#define IDD_IMAGE_PAGE_JA 103
#define IDD_GRAY_PAGE_EN 112
#define IDD_GRAY_PAGE_JA 113
#define IDD_ANALOG_FRAME_EN 111
#define IDD_ANALOG_FRAME_JA 104
#define IDD_ANALOG_PAGE_EN 110
#define IDD_ANALOG_PAGE_JA 105

// Frames.
#define IDC_TAB 1001
#define IDC_APPLY 1002
#define IDC_DEFAULT 3

// Format dialog.
#define IDC_COLOR_LIST 1009
#define IDC_SIZE_LIST 1010
#define IDC_SUBSAMPLE_LIST 1012
#define IDC_CLOCK_LIST 1014
#define IDC_H_TOTAL 1039
#define IDC_V_TOTAL 1040
#define IDC_H_EFFECTIVE 1041
#define IDC_V_EFFECTIVE 1042
#define IDC_H_START 1043
#define IDC_V_START 1044
#define IDC_WAIT_TIME 1045

// Image page.
#define IDC_BRIGHTNESS_BAR 2001
#define IDC_BRIGHTNESS_EDIT 2002
#define IDC_BRIGHTNESS_SPIN 2004
#define IDC_CONTRAST_BAR 2011
#define IDC_CONTRAST_EDIT 2012
#define IDC_CONTRAST_SPIN 2014
#define IDC_HUE_BAR 2021
#define IDC_HUE_EDIT 2022
#define IDC_HUE_SPIN 2024
#define IDC_SATURATION_BAR 2031
#define IDC_SATURATION_EDIT 2032
#define IDC_SATURATION_SPIN 2034
#define IDC_SHARPNESS_BAR 2041
#define IDC_SHARPNESS_EDIT 2042
#define IDC_SHARPNESS_SPIN 2044
#define IDC_RGAIN_BAR 2051
#define IDC_RGAIN_EDIT 2052
#define IDC_RGAIN_SPIN 2054
#define IDC_GGAIN_BAR 2061
#define IDC_GGAIN_EDIT 2062
#define IDC_GGAIN_SPIN 2063
#define IDC_BGAIN_BAR 2071
#define IDC_BGAIN_EDIT 2072
#define IDC_BGAIN_SPIN 2073
#define IDC_GAMMA_BAR 2081
#define IDC_GAMMA_EDIT 2082
#define IDC_GAMMA_SPIN 2084
#define IDC_ONCE 2074
#define IDC_ALL_FRAMES 1035
#define IDC_BAYER_0 1030
#define IDC_BAYER_1 1031
#define IDC_BAYER_2 1032
#define IDC_BAYER_3 1033

// Gray page (slider groups: bar, edit, spin in steps of three from 2100).
#define IDC_GRAY_FIRST_BAR 2100
#define IDC_MODE_BAYER 1046
#define IDC_MODE_CONVERT 1047
#define IDC_MODE_GRAYSCALE 1048

// Analog gain page.
#define IDC_GLOBAL_BAR 1013
#define IDC_GLOBAL_EDIT 1015
#define IDC_GLOBAL_SPIN 1038
#define IDC_G1_BAR 1018
#define IDC_G1_EDIT 1019
#define IDC_G1_SPIN 1039
#define IDC_R_BAR 1020
#define IDC_R_EDIT 1021
#define IDC_R_SPIN 1040
#define IDC_B_BAR 1022
#define IDC_B_EDIT 1023
#define IDC_B_SPIN 1041
#define IDC_G2_BAR 1024
#define IDC_G2_EDIT 1025
#define IDC_G2_SPIN 1042
#define IDC_EXPOSURE_BAR 1026
#define IDC_EXPOSURE_EDIT 1027
#define IDC_EXPOSURE_SPIN 1043
#define IDC_MIRROR_V 1028
#define IDC_MIRROR_H 1029
#define IDC_IRIS_GAIN 1036
#define IDC_IRIS_EXPOSURE 1037
#define IDC_EXPOSURE_TIME 1049
