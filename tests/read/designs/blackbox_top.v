// A design instantiating a memory macro it does not define.
module blackbox_top(input clk, input we, input [3:0] addr, input [7:0] d, output [7:0] q);
  wire [7:0] raw;
  sram16x8 u_ram(.clk(clk), .we(we), .addr(addr), .din(d), .dout(raw));
  assign q = raw ^ 8'h5a;
endmodule
