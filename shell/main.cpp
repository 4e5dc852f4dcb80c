// Process entry: everything else happens in DemoMain.
int DemoMain();

int main() { return DemoMain(); }
