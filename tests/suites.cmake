# Every test suite of the project: name, sources (relative to tests/), and
# NATIVE_ONLY for suites that reach inside the module.

# frame and host model
mertq4_test(host_model_test SOURCES hostmodel/host_model_test.cpp)
mertq4_test(bitmap_table_test NATIVE_ONLY SOURCES resources/bitmap_table_test.cpp LIBS bitmap_table)

# warning gauges and sound

# flight instruments

# engine instruments
