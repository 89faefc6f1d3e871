#ifndef X
void f() {
