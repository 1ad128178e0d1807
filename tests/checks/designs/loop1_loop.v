// LOOP-1: a and b feed each other through logic.
module loop1_loop(input x, input y, output a);
  wire b;
  assign a = b ^ x;
  assign b = a & y;
endmodule
