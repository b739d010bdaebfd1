# Every test suite of the project: name, sources (relative to tests/), and
# NATIVE_ONLY for suites that reach inside the module.

# frame and host model
mertq4_test(host_model_test SOURCES hostmodel/host_model_test.cpp)
mertq4_test(needle_geometry_test NATIVE_ONLY SOURCES hostmodel/needle_geometry_test.cpp)
mertq4_test(bitmap_table_test NATIVE_ONLY SOURCES resources/bitmap_table_test.cpp LIBS bitmap_table)
mertq4_test(bitmap_art_test NATIVE_ONLY SOURCES resources/bitmap_art_test.cpp LIBS bitmap_table)
mertq4_test(bitmap_resources_test SOURCES resources/bitmap_resources_test.cpp)
mertq4_test(linkage_test SOURCES module/linkage_test.cpp)
mertq4_test(needle_tables_test SOURCES module/needle_tables_test.cpp)
mertq4_test(frame_internals_test NATIVE_ONLY SOURCES module/frame_internals_test.cpp)
mertq4_test(binary_image_test WINDOWS_ONLY SOURCES module/binary_image_test.cpp)

# warning gauges and sound
mertq4_test(sound_library_test SOURCES sound/sound_library_test.cpp)
mertq4_test(sound_link_test SOURCES warning/sound_link_test.cpp)
mertq4_test(readout_text_test SOURCES warning/readout_text_test.cpp)
mertq4_test(warning_rules_test NATIVE_ONLY SOURCES warning/warning_rules_test.cpp)
mertq4_test(ground_proximity_test SOURCES warning/ground_proximity_test.cpp)
mertq4_test(ground_proximity_inputs_test NATIVE_ONLY SOURCES warning/ground_proximity_inputs_test.cpp)
mertq4_test(configuration_sounds_test SOURCES warning/configuration_sounds_test.cpp)
mertq4_test(sign_switches_test SOURCES warning/sign_switches_test.cpp)

# flight instruments
mertq4_test(airspeed_test SOURCES flight/airspeed_test.cpp)
mertq4_test(vertical_speed_test SOURCES flight/vertical_speed_test.cpp)
mertq4_test(radio_altimeter_test SOURCES flight/radio_altimeter_test.cpp)
mertq4_test(altitude_alerter_test SOURCES flight/altitude_alerter_test.cpp)
mertq4_test(flight_warning_link_test SOURCES flight/flight_warning_link_test.cpp)
mertq4_test(flight_internals_test NATIVE_ONLY SOURCES flight/flight_internals_test.cpp)

# engine instruments
mertq4_test(tachometer_test SOURCES engine/tachometer_test.cpp)
mertq4_test(epr_indicator_test SOURCES engine/epr_indicator_test.cpp)
mertq4_test(epr_knob_test SOURCES engine/epr_knob_test.cpp)
mertq4_test(epr_reading_test NATIVE_ONLY SOURCES engine/epr_reading_test.cpp)

# the sound library GaugeSound: its core in every build (under Wine in the
# Windows ones, where its sizes are 32 or 64 bits wide), the DLL under Wine
mertq4_test(gaugesound_wav_test SOURCES gaugesound/wav_test.cpp LIBS gaugesound_core)
mertq4_test(gaugesound_mixer_test SOURCES gaugesound/mixer_test.cpp LIBS gaugesound_core)
mertq4_test(gaugesound_engine_test SOURCES gaugesound/engine_test.cpp LIBS gaugesound_core)
mertq4_test(gaugesound_engine_property_test SOURCES gaugesound/engine_property_test.cpp LIBS gaugesound_core)
mertq4_test(gaugesound_platform_test NATIVE_ONLY SOURCES gaugesound/platform_native_test.cpp LIBS gaugesound_platform)
mertq4_test(gaugesound_dll_test WINDOWS_ONLY SOURCES gaugesound/dll_test.cpp LIBS winmm)
if(WIN32)
  add_dependencies(gaugesound_dll_test gaugesound_dll gaugesound_probe_dll sound_set)
  set_tests_properties(${WINE_TESTS}.gaugesound_dll_test PROPERTIES TIMEOUT 120)
  # The same suite with Wine's audio drivers disabled: no device at all.
  add_test(NAME ${WINE_TESTS}.gaugesound_dll_no_device
           COMMAND gaugesound_dll_test --gtest_filter=GaugeSoundDllNoDevice.*)
  set_tests_properties(${WINE_TESTS}.gaugesound_dll_no_device PROPERTIES
    ENVIRONMENT "${WINE_PREFIX_ENVIRONMENT};WINEDLLOVERRIDES=mscoree,mshtml=\\;winepulse.drv,winealsa.drv,wineoss.drv=d;GAUGESOUND_NO_DEVICE=1"
    WORKING_DIRECTORY ${BIN} TIMEOUT 120 LABELS wine)
  # The same suite as the client of a private sound server, so that Wine has a
  # device: the stream's ring, its thread and what the device is given, and
  # the soak with the device opened at every cycle.
  add_test(NAME ${WINE_TESTS}.gaugesound_dll_device
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/audio/sound_server.py --
                   ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:gaugesound_dll_test> --gtest_shuffle)
  set_tests_properties(${WINE_TESTS}.gaugesound_dll_device PROPERTIES
    ENVIRONMENT "${WINE_TEST_ENVIRONMENT};GAUGESOUND_DEVICE=1"
    WORKING_DIRECTORY ${BIN} TIMEOUT 180 LABELS wine)
endif()
