// LOOP-1 fixed: a flip-flop breaks the loop.
module loop1_fixed(input clk, input rst_n, input x, input y, output a);
  reg b;
  assign a = b ^ x;
  always @(posedge clk or negedge rst_n)
    if (!rst_n) b <= 1'b0;
    else b <= a & y;
endmodule
