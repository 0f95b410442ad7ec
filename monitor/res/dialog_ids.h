/* Dialogs of the monitor and their controls, shared by the resource script
   and the code. */
#pragma once

#define DIALOG_ABOUT 125
#define DIALOG_HELP 126
#define DIALOG_FAN_PAGE 170 /* 170, 171, 172 for fans 0, 1, 2 */
#define DIALOG_MISC_PAGE 173
#define DIALOG_VOLTAGE_PAGE 174

#define ANIMATION_ABOUT 1900
#define ANIMATION_PLACE 1700
#define HELP_TEXT_CONTROL 127

/* Fan pages; the controls that carry the fan index n add n. */
#define FAN_AUTO_RADIO 2070
#define FAN_SOFTWARE_RADIO 2073
#define FAN_RESET_BUTTON 1890
#define FAN_TEMP_SLIDER 1640 /* 1640..1644: Off, On, Medium, High, Over */
#define FAN_TEMP_BOX 1609    /* 1609..1613, created at run time */
#define FAN_PWM_SLIDER 1630  /* 1630..1632 */
#define FAN_MANUAL_SLIDER 1633
#define FAN_ALARM_SLIDER 1645
#define FAN_TEMP_LOW_LABEL 2000
#define FAN_TEMP_HIGH_LABEL 2001
#define FAN_ALARM_LOW_LABEL 2002
#define FAN_ALARM_HIGH_LABEL 2003

/* Misc page. */
#define MISC_CELSIUS_RADIO 1800
#define MISC_FAHRENHEIT_RADIO 1801
#define MISC_TOPMOST_CHECK 1802
#define MISC_SOUND_CHECK 1803
#define MISC_SPEAKER_RADIO 1804
#define MISC_SOUND_CARD_RADIO 1805
#define MISC_CLEAR_CASE_BUTTON 1806
#define MISC_AUTOSTART_CHECK 1807

/* Voltage page; the controls of channel row k add k (k = 0..7). */
#define VOLTAGE_SPIN 1740         /* up-down of the percentage box */
#define VOLTAGE_PERCENT_EDIT 1840
#define VOLTAGE_ENABLE_CHECK 1850
#define VOLTAGE_BASE 1860         /* 1860 the VCore list, 1861..1867 labels */
#define VOLTAGE_NAME 1870
#define VOLTAGE_PERCENT_SIGN 1880
#define VOLTAGE_SET_VCORE_BUTTON 1891
